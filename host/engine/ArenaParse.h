// gumbo's parse of a page with all its memory taken from an arena.
#pragma once
#include <gumbo.h>

#include <cstddef>
#include <string_view>

#include "host/engine/MappedArena.h"

// The parse's work budget: what the parser may allocate for each byte of a page, and for any page.
// The densest ordinary pages (a text and an element every four bytes) take about 85 bytes a byte;
// a page past it makes the parser build copies without end, which the nesting bound cannot see,
// and is shown as its text instead (PageDocument::Parse).
constexpr size_t kParserBytesPerPageByte = 96;
constexpr size_t kParserBytesPerPage = size_t{32} << 20;

// Parses `html`; the tree lives in `arena` and is never freed node by node (the arena lets go of
// it at once, whatever its depth). Error records are off: recording one copies the stack of open
// elements, which a page of many unclosed tags makes quadratic. Null when the parse goes past
// the budget above or the memory the system has, or the parser gives up on the page (it aborts
// on some malformed pages); nothing is left behind but what the arena holds.
GumboOutput* ParseInArena(std::string_view html, MappedArena& arena);
