// gumbo's parse of a page with all its memory taken from an arena.
#pragma once
#include <gumbo.h>

#include <string_view>

#include "host/engine/MappedArena.h"

// Parses `html`; the tree lives in `arena` and is never freed node by node (the arena lets go of
// it at once, whatever its depth). Error records are off: recording one copies the stack of open
// elements, which a page of many unclosed tags makes quadratic. Null only when gumbo fails.
GumboOutput* ParseInArena(std::string_view html, MappedArena& arena, MappedArena::FaultIn faultIn);
