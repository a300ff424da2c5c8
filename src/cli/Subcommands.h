#pragma once
// The subcommands. Each takes its arguments from its own name on and returns the exit code.
#include <QStringList>

namespace cli {
int infoCommand(const QStringList& args);
int liveCommand(const QStringList& args);
int downloadCommand(const QStringList& args);
int setupCommand(const QStringList& args);
int setsCommand(const QStringList& args);
int exportCommand(const QStringList& args);
int plotCommand(const QStringList& args);
} // namespace cli
