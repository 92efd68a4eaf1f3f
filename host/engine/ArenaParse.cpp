#include "host/engine/ArenaParse.h"

#include <setjmp.h>
#include <signal.h>

#include <algorithm>

namespace {

// What the parser takes in memory for each byte of an ordinary page, about.
constexpr size_t kParserBytesPerByte = 32;

struct ParseContext {
  MappedArena* arena;
  sigjmp_buf giveUp;
};

// The packaged parser is built with its assertions on, and a page it mishandles makes it call
// abort(). During a parse on this thread that is taken as a page it cannot build, as a page past
// the budget is: the jump leaves only the parser's C frames behind, and all it holds is in the
// arena. Anywhere else SIGABRT does what it did before the parser was first used.
thread_local ParseContext* tParsing = nullptr;
struct sigaction gPreviousAbortAction;

void OnAbort(int signal) {
  if (tParsing) siglongjmp(tParsing->giveUp, 1);
  sigaction(SIGABRT, &gPreviousAbortAction, nullptr);
  raise(signal);
}

void ContainParserAborts() {
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_handler = OnAbort;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGABRT, &action, &gPreviousAbortAction) == 0;
  }();
  (void)installed;
}

// The parser has no way to fail an allocation, and no exception may cross its C frames: when
// the arena cannot give memory, or the parser aborts, the jump comes back here past the parser,
// which holds nothing but memory from the arena.
GumboOutput* RunParser(ParseContext& context, const GumboOptions& options, std::string_view html) {
  ContainParserAborts();
  if (sigsetjmp(context.giveUp, 1) != 0) {
    tParsing = nullptr;
    return nullptr;
  }
  tParsing = &context;
  GumboOutput* output = gumbo_parse_with_options(&options, html.data(), html.size());
  tParsing = nullptr;
  return output;
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
    if (!memory) siglongjmp(context->giveUp, 1);
    return memory;
  };
  options.deallocator = [](void*, void*) {};
  options.max_errors = 0;
  return RunParser(context, options, html);
}
