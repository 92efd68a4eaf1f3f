// `pendrel import FILE` and `pendrel export FILE`: the bookmarks exchanged with other browsers
// through their bookmark file (host/core/BookmarkFile.h), in the data folder that the CurDir
// setting names. This file is the host's one way into the bookmark store for these commands.
//
// Import: each link becomes a bookmark, category the name of the folder that holds it (only
// that innermost name; a link outside every folder takes the name of the file's top folder, its
// <H1> heading, or "Bookmarks" without one), description the link text. A link with tags (TAGS)
// that stands outside every folder, or whose only folder is one the exporting program made for
// all links (the toolbar folder, or the single folder of the file's top list), takes its first tag
// as category instead. It goes through the store's bulk add, so an address that is stored already
// (or its alternate form) is skipped. Links to javascript:, vbscript:, data: and place: addresses
// (the scheme read as a browser reads it), without an address, with a NUL in the address, or with
// an address longer than the store holds are skipped as unsupported. A description or category
// longer than the store holds is cut to fit, and the characters a category name cannot hold
// (/ \ : ? < > | and NUL) become blanks, as does a NUL in a description. Prints
// "imported N, skipped M (already stored K, unsupported J)"; N and M add up to the file's links.
//
// Export: every bookmark, one folder per category in category order, a folder's links in the
// order of the all-bookmarks page (by description), each link with its category as its TAGS
// (unless the category holds a comma); bookmarks without a category stand in the top folder.
// The file is replaced whole or not at all. Prints "exported N in C folders".
//
// Both show the status texts of the toolbar's import and export on `status` while they run.
// Exit status: 0 done; 1 the settings, the store or the file could not be used (a file that is
// not a bookmark file is refused before the store is opened); 2 a wrong command line.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "host/cli/StatusLine.h"

int RunImportBookmarkFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                          StatusLine& status);
int RunExportBookmarkFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                          StatusLine& status);

// The commands as `pendrel` runs them: results on standard output, errors and the status line
// on standard error, the status line only when standard error is a terminal.
int ImportBookmarkFileCommand(const std::vector<std::string>& args);
int ExportBookmarkFileCommand(const std::vector<std::string>& args);
