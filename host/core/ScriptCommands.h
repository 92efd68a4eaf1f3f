// The commands of the host's script language and what each does to a host window, in one table:
//   navigate ADDRESS      type BOX TEXT      key BOX KEY      clear BOX       pick BOX N
//   click BUTTON          menu ENTRY         answer yes|no    fill NAME VALUE submit [N]
//   follow TEXT           wait repair        show             page            quit
// BOX is search or category; KEY one of Enter, Backspace, Delete, Home, End, Left, Right, Up,
// Down; BUTTON one of Add, Change, Delete, Options, Show (names without regard to case); N counts
// from 0.
#pragma once
#include "host/core/HostWindow.h"
#include "host/core/ScriptReader.h"

enum class AfterCommand { Continue, End };

// Carries out one command line on `window` (printing what it shows) and says whether the
// session goes on. Raises HostCommandError for an unknown command, a wrong argument, or a
// command that could not be carried out.
AfterCommand RunCommand(HostWindow& window, const ScriptLine& line);

// Runs the commands of `reader` on `window` to the end of the script or to `quit`. Returns 0, or
// prints "error: line N: WHY" for the first command that could not be carried out (or a script
// that cannot be read on) and returns 1.
int RunScript(ScriptReader& reader, HostWindow& window);
