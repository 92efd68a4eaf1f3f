// `pendrel [ADDRESS]` and `pendrel run FILE`: the browser window with the toolbar, driven from
// the terminal, a thin front over the host window of host/core. Lines go to `out` as UTF-8, one
// each, as they happen.
#pragma once
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "host/cli/LineEditor.h"
#include "host/cli/TerminalSession.h"

// Where the commands come from: a person at a terminal, or a script.
enum class CommandSource { Terminal, Script };

// `pendrel [ADDRESS]`: opens ADDRESS when one is given, then reads commands from `in`. From a
// terminal it is a TerminalSession of the default size, without a pager; from a script it runs
// as `pendrel run` does. Returns the exit status.
int RunWindow(const std::vector<std::string>& args, std::istream& in, std::ostream& out, CommandSource source);
// `pendrel [ADDRESS]` for a person at a terminal: commands from `input`, the screen (see
// TerminalSession) on `out`. Returns the exit status.
int RunWindowAtTerminal(const std::vector<std::string>& args, LineSource& input, std::ostream& out,
                        const TerminalOptions& options);

// `pendrel run FILE` (or - for `in`): runs the script to its end or to quit. Returns 0, or 1
// after "error: …" when a command could not be carried out; 2 for a wrong command line.
int RunWindowScript(const std::vector<std::string>& args, std::istream& in, std::ostream& out);
