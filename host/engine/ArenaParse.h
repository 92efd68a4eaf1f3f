// gumbo's parse of a page with all its memory taken from an arena.
#pragma once
#include <gumbo.h>

#include <cstddef>
#include <string_view>

#include "host/engine/MappedArena.h"

// What the parser may take in memory for each byte of a page, and for any page. A page within
// the engine's nesting bound needs far less; the limit keeps a page that defeats the bound from
// taking the machine's memory.
constexpr size_t kParserBytesPerPageByte = 96;
constexpr size_t kParserBytesPerPage = size_t{64} << 20;

// Parses `html`; the tree lives in `arena` and is never freed node by node (the arena lets go of
// it at once, whatever its depth). Error records are off: recording one copies the stack of open
// elements, which a page of many unclosed tags makes quadratic. Null when the parse would need
// more memory than the limit above or than the system has; nothing is left behind but what
// the arena holds.
GumboOutput* ParseInArena(std::string_view html, MappedArena& arena);
