// The editor on a machine without a usable display: Qt would abort with a
// core dump and a hint to reinstall. These turn that into a message on
// standard error and exit status 1.
#pragma once

#include <string>
#include <vector>

namespace zorv::gui {

// Why no display can be reached, or empty when one may be: a display is
// named (DISPLAY, WAYLAND_DISPLAY) or a platform is chosen by hand
// (QT_QPA_PLATFORM, -platform, -display). arguments[0] is the program.
std::string NoDisplayReason(const std::vector<std::string>& arguments);

// Between these two calls, while the application object connects to the
// display, a fatal message from Qt ends the program with a clear message
// and status 1 instead of an abort. Qt's other messages of that time are
// held back and passed on by EndPlatformStart, so the reason for a failure
// comes first.
void BeginPlatformStart();
void EndPlatformStart();

}  // namespace zorv::gui
