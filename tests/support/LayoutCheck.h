#pragma once
// Whether a window shows its texts: every visible label, button and check box of it is at
// least as wide as its text needs and lies inside the window, and no two visible controls
// cover each other. Returns one line per fault (empty when there is none).
#include <QStringList>

class QWidget;

QStringList layoutFaults(const QWidget* window);
