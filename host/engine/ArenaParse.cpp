#include "host/engine/ArenaParse.h"

#include <algorithm>
#include <csetjmp>

namespace {

// What the parser takes in memory for each byte of an ordinary page, about.
constexpr size_t kParserBytesPerByte = 32;

struct ParseContext {
  MappedArena* arena;
  std::jmp_buf outOfMemory;
};

// The parser has no way to fail an allocation, and no exception may cross its C frames: when
// the arena cannot give memory, the callback jumps back here past the parser, which holds
// nothing but memory from the arena.
GumboOutput* RunParser(ParseContext& context, const GumboOptions& options, std::string_view html) {
  if (setjmp(context.outOfMemory) != 0) return nullptr;
  return gumbo_parse_with_options(&options, html.data(), html.size());
}

}  // namespace

GumboOutput* ParseInArena(std::string_view html, MappedArena& arena) {
  arena.Limit(std::min(arena.LimitBytes(), html.size() * kParserBytesPerPageByte + kParserBytesPerPage));
  arena.Expect(html.size() * kParserBytesPerByte);
  ParseContext context{&arena, {}};
  GumboOptions options = kGumboDefaultOptions;
  options.userdata = &context;
  options.allocator = [](void* userdata, size_t size) {
    auto* context = static_cast<ParseContext*>(userdata);
    // Whatever the parser keeps in a block of `size` bytes has an alignment that divides its
    // size, so a block needs no more than the largest power of two dividing `size`: the
    // parser's millions of short strings then take no padding.
    size_t align = std::min(size & (~size + 1), alignof(std::max_align_t));
    void* memory = context->arena->TryAllocate(size, align ? align : 1);
    if (!memory) std::longjmp(context->outOfMemory, 1);
    return memory;
  };
  options.deallocator = [](void*, void*) {};
  options.max_errors = 0;
  return RunParser(context, options, html);
}
