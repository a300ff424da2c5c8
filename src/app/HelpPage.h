#pragma once
// Where the help page Q7320HELP.htm is: beside the program (the build tree, or a copy kept with
// the program), else in the installed data folder <prefix>/share/q7320 beside <prefix>/lib/q7320,
// else in the desktop's data folders.
#include <QString>
#include <QStringList>

inline constexpr char HelpPageName[] = "Q7320HELP.htm";

// Every place looked at, in order.
QStringList helpPageCandidates(const QString& programFolder);

// The first candidate that exists, or an empty text.
QString findHelpPage(const QString& programFolder);
