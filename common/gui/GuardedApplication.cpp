#include "common/gui/GuardedApplication.h"

#include <exception>
#include <new>
#include <string>

#include "common/gui/Look.h"
#include "common/gui/Platform.h"

namespace zorv::gui {
namespace {

void ShowUnexpected(const std::string& text) {
  CurrentPlatform().ShowMessage(
      Message{text, "Error", MsgIcon::Critical, MsgButtons::OK, MsgAnswer::OK});
}

}  // namespace

std::string DescribeCurrentException() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "There is not enough memory for this; the command was stopped.";
  } catch (const std::exception& e) {
    return std::string("An unexpected error stopped the command:\n") + e.what();
  } catch (...) {
    return "An unexpected error stopped the command.";
  }
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {
  InstallLook();
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowUnexpected(DescribeCurrentException());
  }
  return false;
}

}  // namespace zorv::gui
