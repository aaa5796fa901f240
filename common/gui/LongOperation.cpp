#include "common/gui/LongOperation.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <system_error>
#include <thread>

#include "common/gui/GuardedApplication.h"

namespace zorv::gui {
namespace {

int running_operations = 0;  // window thread only

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

// Keeps everything but painting and the operation's own messages away from
// the windows while the operation runs.
class StillWindows : public QObject {
 public:
  StillWindows() { qApp->installEventFilter(this); }
  ~StillWindows() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (IsUserInput(event->type())) return true;
    if (event->type() == QEvent::Close && watched->isWidgetType()) {
      event->ignore();
      return true;
    }
    // The windows' timers (animations, colour pickers) belong to widgets;
    // Qt's own timers of a control are not QTimer objects.
    if (event->type() == QEvent::Timer && qobject_cast<QTimer*>(watched) &&
        watched->parent() && watched->parent()->isWidgetType())
      return true;
    return false;
  }
};

Status Guarded(const std::function<Status(const ProgressSink&)>& work, const ProgressSink& sink) {
  try {
    return work(sink);
  } catch (...) {
    return Status::Fail(DescribeCurrentException());
  }
}

// Counts a running operation for as long as it lives, however the
// operation ends.
class Running {
 public:
  Running() { ++running_operations; }
  ~Running() { --running_operations; }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;
};

}  // namespace

Status RunLongOperation(const std::function<Status(const ProgressSink&)>& work,
                        const std::function<void(const ProgressStep&)>& show) {
  QEventLoop loop;
  StillWindows still;
  Running running;
  // Steps travel to this thread as queued calls on the loop, so they arrive
  // in order and all before the call that ends it.
  const ProgressSink sink = [&loop, &show](const ProgressStep& step) {
    QMetaObject::invokeMethod(&loop, [&show, step] { show(step); }, Qt::QueuedConnection);
  };
  Status result = Status::Ok();
  std::thread worker;
  try {
    worker = std::thread([&] {
      result = Guarded(work, sink);
      QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
  } catch (const std::system_error&) {
    // The system gives no more threads (a limit on threads or memory): the
    // work still gets done, here on the window thread. After each step the
    // windows handle what is waiting (showing, painting; user input is kept
    // away as above), or the screen would stand still until the end.
    return Guarded(work, [&show](const ProgressStep& step) {
      show(step);
      QCoreApplication::processEvents();
    });
  }
  loop.exec();
  worker.join();
  return result;
}

void OnWindowThread(const std::function<void()>& task) {
  if (QThread::currentThread() == qApp->thread()) {
    task();
    return;
  }
  QMetaObject::invokeMethod(qApp, task, Qt::BlockingQueuedConnection);
}

bool LongOperationRunning() { return running_operations > 0; }

}  // namespace zorv::gui
