#include "platform/text/CaseFold.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

// The characters that fold to another, in runs: from `first` to `last`, every `step`-th
// character folds to the character `distance` away.
struct FoldRun {
  char32_t first;
  char32_t last;
  int32_t distance;
  uint8_t step;
};

constexpr FoldRun kFoldRuns[] = {
#include "platform/text/CaseFoldTable.inc"
};

}  // namespace

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  // The last run that starts at or before c.
  const auto after = std::upper_bound(std::begin(kFoldRuns), std::end(kFoldRuns), c,
                                      [](char32_t value, const FoldRun& run) { return value < run.first; });
  if (after == std::begin(kFoldRuns)) return c;
  const FoldRun& run = *std::prev(after);
  if (c > run.last || (c - run.first) % run.step != 0) return c;
  return static_cast<char32_t>(static_cast<int32_t>(c) + run.distance);
}
