// Who the editor is to Qt and the desktop: the name the settings store
// files it under, its version, and the desktop entry that window managers
// match its windows to (for the icon and name in task bars).
#pragma once

namespace zorv::gui {

// The desktop entry's file name without ".desktop"; the entry itself is
// app/gui/desktop/zorv-mod-editor.desktop.
inline constexpr const char* kDesktopFileName = "zorv-mod-editor";

// Sets the application's name, organisation, version and desktop file name.
void SetEditorIdentity();

}  // namespace zorv::gui
