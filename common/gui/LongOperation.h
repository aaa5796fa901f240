// Long operations (conversions, compiling) run on a worker thread while the
// window thread keeps painting, so their progress is seen as it happens.
// Until one ends, nothing else can be started: user input to every window
// is dropped, windows refuse to close and the windows' own timers (the
// animations) stand still.
#pragma once

#include <functional>

#include "common/Progress.h"
#include "common/Status.h"

namespace zorv::gui {

// Runs work on a worker thread and returns its result. Each progress step
// the work reports reaches show on the window thread, in order, before this
// returns. An exception thrown by the work comes back as a failure. When the
// system gives no thread, the work runs on the window thread itself.
Status RunLongOperation(const std::function<Status(const ProgressSink&)>& work,
                        const std::function<void(const ProgressStep&)>& show);

// Runs task on the window thread and waits for it; called from the work of
// a long operation when it must touch what the windows show. On the window
// thread itself it simply runs task.
void OnWindowThread(const std::function<void()>& task);

// Whether a long operation is running.
bool LongOperationRunning();

}  // namespace zorv::gui
