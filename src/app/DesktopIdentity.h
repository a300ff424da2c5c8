#pragma once
// How the program shows itself to the desktop: its icon on every window, the desktop file the
// window belongs to, and the tool buttons' icons (the desktop theme's where it has one, ours
// otherwise, so a button always shows its own command).
#include <QIcon>

// The program's icon: the installed theme's "q7320" when there is one, the built-in one else.
QIcon programIcon();

// The theme's icon of that name, or our own ":/icons/<ownName>.svg".
QIcon commandIcon(const QString& themeName, const QString& ownName);

// Call once after the application object exists: every window, dialog and child frame then
// carries the program's icon, and the desktop groups the windows under the desktop file.
void applyDesktopIdentity();
