#pragma once
// The headless command line: `q7320 <command> ...` runs one subcommand without a window.
namespace cli {

// Whether argv[1] asks for the command line rather than the window: a subcommand, "help",
// or the program's --help (which documents both).
bool wantsCommandLine(int argc, char** argv);

// Runs the command line: 0 success, 1 failure, 2 bad usage. Makes its own application object,
// on the offscreen platform, so no display is needed.
int runCommandLine(int argc, char** argv);

} // namespace cli
