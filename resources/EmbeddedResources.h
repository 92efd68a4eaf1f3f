// Resource files built into the band library (see cmake/Embed.cmake), named by their path in the
// source tree, for example "resources/TesselBand.rgs".
#pragma once
#include <string_view>

// The named file's bytes; empty when there is no such file.
std::string_view EmbeddedResourceFile(std::string_view name);
