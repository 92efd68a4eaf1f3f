// Memory taken in order and given back all at once: a page's parse, which its document keeps.
// Its blocks are mapped straight from the system (MappedBlock): a 10 MB page makes the parser
// touch hundreds of megabytes, which the C heap would keep after the page has gone.
//
// Not thread-safe: one thread allocates. Destroying the arena frees everything in it without
// running destructors.
#pragma once
#include <cstddef>
#include <limits>
#include <vector>

#include "host/engine/MappedBlock.h"

class MappedArena {
 public:
  MappedArena() = default;
  MappedArena(const MappedArena&) = delete;
  MappedArena& operator=(const MappedArena&) = delete;

  // Prepares room for about `bytes`. Call before the first allocation; more than `bytes` can still
  // be allocated.
  void Expect(size_t bytes);
  // The most the arena may hold in all; beyond it TryAllocate fails.
  void Limit(size_t bytes) { limit_ = bytes; }
  size_t LimitBytes() const { return limit_; }
  // `size` bytes aligned to `align` (a power of two, at most 4096), or null when the limit is
  // reached or the system has no memory left. Never throws.
  void* TryAllocate(size_t size, size_t align = alignof(std::max_align_t)) noexcept {
    size_t at = (used_ + align - 1) & ~(align - 1);
    if (blocks_.empty() || at + size > blocks_.back().size() || at + size < at) return AllocateInNewBlock(size, align);
    used_ = at + size;
    return blocks_.back().data() + at;
  }

 private:
  void* AllocateInNewBlock(size_t size, size_t align) noexcept;

  std::vector<MappedBlock> blocks_;
  size_t used_ = 0;  // in the last block
  size_t mapped_ = 0;  // in all blocks
  size_t limit_ = std::numeric_limits<size_t>::max();
};
