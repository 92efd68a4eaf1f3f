// Files built into the program (see cmake/Embed.cmake), named by their path in the source tree.
#pragma once
#include <string_view>

// The named file's bytes; empty when there is no such file.
std::string_view EmbeddedFileData(std::string_view name);
