#include "app/gui/DisplayCheck.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>

#include "app/gui/CommandLine.h"

namespace zorv::gui {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// What the start held back: Qt's messages with their context.
struct HeldMessage {
  QtMsgType type;
  std::string file, function, category;
  int line = 0;
  QString text;
};

std::mutex held_mutex;
std::vector<HeldMessage> held;
QtMessageHandler previous_handler = nullptr;

// Which display was tried, for the message.
std::string DisplaysNamed() {
  std::string named;
  for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
    const std::string value = Environment(name);
    if (value.empty()) continue;
    if (!named.empty()) named += ", ";
    named += std::string(name) + "=" + value;
  }
  return named.empty() ? "none named" : named;
}

void DuringPlatformStart(QtMsgType type, const QMessageLogContext& context,
                         const QString& text) {
  if (type != QtFatalMsg) {
    const std::lock_guard<std::mutex> lock(held_mutex);
    held.push_back(HeldMessage{type, context.file ? context.file : "",
                               context.function ? context.function : "",
                               context.category ? context.category : "", context.line, text});
    return;
  }
  std::string said;
  {
    const std::lock_guard<std::mutex> lock(held_mutex);
    for (const HeldMessage& message : held) {
      const bool named = !message.category.empty() && message.category != "default";
      said += "  " + (named ? message.category + ": " : "") + message.text.toStdString() + "\n";
    }
  }
  for (const QString& line : text.split('\n', Qt::SkipEmptyParts))
    said += "  " + line.toStdString() + "\n";
  std::fprintf(stderr,
               "%s: the editor's windows cannot be shown: Qt could not open the display (%s).\n"
               "Qt reported:\n%s",
               kEditorProgram, DisplaysNamed().c_str(), said.c_str());
  std::fflush(stderr);
  // Qt aborts when a fatal handler returns; the application object is half
  // made, so nothing is left to tidy up.
  std::_Exit(1);
}

bool ChoosesPlatform(const std::vector<std::string>& arguments) {
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--") break;
    if (argument == "-platform" || argument == "--platform" || argument == "-display" ||
        argument == "--display")
      return true;
  }
  return false;
}

}  // namespace

std::string NoDisplayReason(const std::vector<std::string>& arguments) {
#if defined(__unix__) && !defined(__APPLE__)
  if (!Environment("DISPLAY").empty() || !Environment("WAYLAND_DISPLAY").empty() ||
      !Environment("QT_QPA_PLATFORM").empty() || ChoosesPlatform(arguments))
    return "";
  return std::string(kEditorProgram) +
         ": there is no display to show the editor's windows on (neither DISPLAY nor "
         "WAYLAND_DISPLAY is set).\n"
         "Start it in a desktop session, or choose a Qt platform with QT_QPA_PLATFORM "
         "(offscreen draws nowhere). Batch work without windows is for zorv (zorv --help).\n";
#else
  (void)arguments;
  return "";
#endif
}

void BeginPlatformStart() { previous_handler = qInstallMessageHandler(DuringPlatformStart); }

void EndPlatformStart() {
  qInstallMessageHandler(previous_handler);
  std::vector<HeldMessage> pending;
  {
    const std::lock_guard<std::mutex> lock(held_mutex);
    pending = std::move(held);
    held.clear();
  }
  for (const HeldMessage& message : pending) {
    const QMessageLogContext context(message.file.c_str(), message.line, message.function.c_str(),
                                     message.category.c_str());
    qt_message_output(message.type, context, message.text);
  }
}

}  // namespace zorv::gui
