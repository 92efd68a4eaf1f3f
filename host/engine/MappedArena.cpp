#include "host/engine/MappedArena.h"

#include <sys/mman.h>

#include <algorithm>
#include <chrono>

namespace {

// How far ahead of the memory in use the helper faults memory in: enough that the allocating
// thread never catches up with it, little enough that an arena which stops growing early holds
// only this much it does not use.
constexpr size_t kAhead = size_t{64} << 20;
constexpr size_t kStep = MappedBlock::kHugePage;
constexpr size_t kSmallBlock = size_t{64} << 10;
constexpr size_t kLargeBlock = size_t{32} << 20;

size_t RoundUp(size_t value, size_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

MappedArena::~MappedArena() { StopHelper(); }

void MappedArena::Expect(size_t bytes, FaultIn faultIn) {
  if (!blocks_.empty()) return;
  size_t size = std::max(bytes, kSmallBlock);
  if (size >= kHelperThreshold) size = RoundUp(size, kStep);
  blocks_.emplace_back(size);
  used_ = 0;
#ifdef MADV_POPULATE_WRITE
  if (size >= kHelperThreshold && faultIn == FaultIn::Ahead) {
    std::byte* base = blocks_.back().data();
    helper_ = std::thread([this, base, size] { Populate(base, size); });
  }
#endif
}

void MappedArena::Populate(std::byte* base, size_t size) {
#ifdef MADV_POPULATE_WRITE
  size_t done = 0;
  while (done < size && !stop_.load(std::memory_order_relaxed)) {
    size_t target = std::min(size, RoundUp(frontier_.load(std::memory_order_relaxed) + kAhead, kStep));
    if (done >= target) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    // A kernel without this call makes the helper give up; the arena works the same.
    if (::madvise(base + done, std::min(kStep, size - done), MADV_POPULATE_WRITE) != 0) break;
    done += kStep;
    populated_.store(std::min(done, size), std::memory_order_relaxed);
  }
#else
  (void)base;
  (void)size;
#endif
}

void MappedArena::StopHelper() {
  if (!helper_.joinable()) return;
  stop_.store(true, std::memory_order_relaxed);
  helper_.join();
}

void MappedArena::Seal() {
  if (!helper_.joinable()) return;
  StopHelper();
  if (blocks_.size() != 1) return;  // the helper had stopped when the first block filled
  size_t keep = RoundUp(used_, kStep);
  size_t populated = populated_.load(std::memory_order_relaxed);
  if (populated > keep) ::madvise(blocks_.front().data() + keep, populated - keep, MADV_DONTNEED);
}

void* MappedArena::AllocateInNewBlock(size_t size, size_t align) {
  StopHelper();  // it serves the first block only
  size_t blockSize = blocks_.empty() ? std::max(size + align, kSmallBlock) : std::max(size + align, kLargeBlock);
  blocks_.emplace_back(blockSize);
  used_ = 0;
  return Allocate(size, align);
}
