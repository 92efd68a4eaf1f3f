// Shows a long text a screen at a time through the person's pager.
#pragma once
#include <string>
#include <vector>

// The pager a person at a terminal uses: $PAGER when set and not empty, else `less` when it is
// on the PATH; empty when there is none.
std::string PersonsPager();

// Writes `lines` to the pager `command` (run by the shell, as $PAGER is meant to be) and waits
// for the person to leave it. False when the pager could not be started; a pager left before the
// end is not an error.
bool ShowThroughPager(const std::string& command, const std::vector<std::string>& lines);
