// zorv-mod-editor: the windows of Zorv Mod Editor.
#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include <cstdio>
#include <string>
#include <vector>

#include "app/gui/CommandLine.h"
#include "app/gui/DisplayCheck.h"
#include "app/gui/EditorIdentity.h"
#include "app/gui/EditorWindows.h"
#include "app/gui/OpenAtStart.h"
#include "common/gui/GuardedApplication.h"
#include "common/gui/Look.h"
#include "common/gui/QtPlatform.h"
#include "project/gui/EditorForm.h"

namespace {

std::vector<std::string> Arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::vector<std::string> Arguments(const QStringList& arguments) {
  std::vector<std::string> out;
  for (const QString& argument : arguments) out.push_back(zorv::gui::FromQ(argument));
  return out;
}

// Every size of the icon the desktop entry installs, for the windows that
// do not set their own.
QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/icons/zorv-mod-editor-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zorv::gui;
  // Help and version answer on the terminal, display or not.
  switch (ReadEarlyRequest(Arguments(argc, argv))) {
    case EarlyRequest::Help:
      std::fputs(HelpText().c_str(), stdout);
      return 0;
    case EarlyRequest::Version:
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    case EarlyRequest::Start:
      break;
  }
  if (const std::string reason = NoDisplayReason(Arguments(argc, argv)); !reason.empty()) {
    std::fputs(reason.c_str(), stderr);
    return 1;
  }

  SetEditorIdentity();
  BeginPlatformStart();
  GuardedApplication app(argc, argv);
  EndPlatformStart();
  QApplication::setWindowIcon(ApplicationIcon());

  const StartRequest request = ReadStartRequest(Arguments(QApplication::arguments()));
  if (!request.error.empty()) {
    std::fputs(UsageErrorText(request.error).c_str(), stderr);
    return 2;
  }

  QtPlatform platform;
  SetPlatform(&platform);
  int status = 0;
  {
    EditorWindows windows;
    EditorForm& editor = windows.Main();
    platform.SetDialogParent(&editor);
    editor.show();
    if (!request.file.empty())
      OpenFileAtStart(editor, FromQ(QFileInfo(ToQ(request.file)).absoluteFilePath()));
    status = QApplication::exec();
    platform.SetDialogParent(nullptr);
  }
  SetPlatform(nullptr);
  return status;
}
