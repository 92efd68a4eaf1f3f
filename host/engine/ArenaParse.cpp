#include "host/engine/ArenaParse.h"

#include <cstddef>

namespace {

// What the parser takes in memory for each byte of a page, about.
constexpr size_t kParserBytesPerByte = 32;

}  // namespace

GumboOutput* ParseInArena(std::string_view html, MappedArena& arena, MappedArena::FaultIn faultIn) {
  arena.Expect(html.size() * kParserBytesPerByte, faultIn);
  GumboOptions options = kGumboDefaultOptions;
  options.userdata = &arena;
  options.allocator = [](void* memory, size_t size) { return static_cast<MappedArena*>(memory)->Allocate(size); };
  options.deallocator = [](void*, void*) {};
  options.max_errors = 0;
  GumboOutput* output = gumbo_parse_with_options(&options, html.data(), html.size());
  arena.Seal();
  return output;
}
