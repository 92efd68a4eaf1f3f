// Memory taken in order and given back all at once: a page's parse, which its document keeps.
//
// A large arena lets a helper thread fault its memory in a little ahead of use. Getting fresh
// pages from the kernel (zeroing them) costs about as much as parsing what goes into them;
// done on another core, the parse no longer waits for it. The helper never writes to the
// memory, it only asks the kernel to populate it, so it cannot disturb what is stored there.
// Without a thread to spare, the arena works the same without the helper.
//
// Not thread-safe: one thread allocates. Destroying the arena frees everything in it without
// running destructors.
#pragma once
#include <atomic>
#include <cstddef>
#include <limits>
#include <thread>
#include <vector>

#include "host/engine/MappedBlock.h"

class MappedArena {
 public:
  MappedArena() = default;
  ~MappedArena();
  MappedArena(const MappedArena&) = delete;
  MappedArena& operator=(const MappedArena&) = delete;

  // Prepares room for about `bytes`; an arena expected to grow large starts the helper. Call
  // before the first allocation; more than `bytes` can still be allocated.
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
    if (helper_.joinable()) frontier_.store(used_, std::memory_order_relaxed);
    return blocks_.back().data() + at;
  }
  // Growth is over: stops the helper and returns what it faulted in beyond the memory in use.
  void Seal();

  // Arenas expected to hold less than this fault their memory in as they go.
  static constexpr size_t kHelperThreshold = size_t{16} << 20;

  // For tests: the next helper fails to start, as when the system has no thread to spare.
  static std::atomic<bool> failHelperStartForTesting;

 private:
  void* AllocateInNewBlock(size_t size, size_t align) noexcept;
  void StartHelper(std::byte* base, size_t size);
  void StopHelper();
  void Populate(std::byte* base, size_t size);

  std::vector<MappedBlock> blocks_;
  size_t used_ = 0;  // in the last block
  size_t mapped_ = 0;  // in all blocks
  size_t limit_ = std::numeric_limits<size_t>::max();
  std::thread helper_;
  std::atomic<size_t> frontier_{0};  // bytes in use in the first block, for the helper
  std::atomic<bool> stop_{false};
  std::atomic<size_t> populated_{0};  // bytes of the first block the helper has faulted in
};
