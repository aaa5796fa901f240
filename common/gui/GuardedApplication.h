// The editor's application object: it draws in the program's look, and an
// exception that escapes an event handler (memory running out in a command,
// say) is shown as one message box and the program carries on, instead of
// ending it.
#pragma once

#include <QApplication>
#include <string>

namespace zorv::gui {

// What the user is told about the exception being handled; call it only
// inside a catch block.
std::string DescribeCurrentException();

class GuardedApplication : public QApplication {
 public:
  GuardedApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace zorv::gui
