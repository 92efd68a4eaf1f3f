// `pendrel browse ADDRESS…`: one browser window without a toolbar that loads each address in
// turn and prints what a toolbar would hear and see.
#pragma once
#include <ostream>
#include <string>
#include <vector>

// Prints every event as "event: NAME PARAMETERS" and, after each load, the page as text; the
// window quits after the last address. Returns 0, or 2 with a usage line when no address is given.
int RunBrowse(const std::vector<std::string>& addresses, std::ostream& out, std::ostream& err);
