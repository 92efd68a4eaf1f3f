#include "host/engine/MappedArena.h"

#include <sys/mman.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

namespace {

// How far ahead of the memory in use the helper faults memory in: enough that the allocating
// thread never catches up with it, little enough that an arena which stops growing early holds
// only this much it does not use.
constexpr size_t kAhead = size_t{8} << 20;
constexpr size_t kStep = MappedBlock::kHugePage;
constexpr size_t kSmallBlock = size_t{64} << 10;
constexpr size_t kLargeBlock = size_t{32} << 20;

size_t RoundUp(size_t value, size_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

std::atomic<bool> MappedArena::failHelperStartForTesting{false};

MappedArena::~MappedArena() { StopHelper(); }

void MappedArena::Expect(size_t bytes) {
  if (!blocks_.empty()) return;
  size_t size = std::min(std::max(bytes, kSmallBlock), limit_);
  if (size >= kHelperThreshold) size = RoundUp(size, kStep);
  MappedBlock block(size, std::nothrow);
  if (!block.data()) return;  // the first allocation tries again, and fails cleanly
  blocks_.push_back(std::move(block));
  mapped_ += size;
  used_ = 0;
  if (size >= kHelperThreshold) StartHelper(blocks_.back().data(), size);
}

void MappedArena::StartHelper(std::byte* base, size_t size) {
#ifdef MADV_POPULATE_WRITE
  try {
    if (failHelperStartForTesting.exchange(false)) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    helper_ = std::thread([this, base, size] { Populate(base, size); });
  } catch (const std::system_error&) {
    // No thread to spare: the allocating thread faults the memory in as it goes.
  }
#else
  (void)base;
  (void)size;
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

void* MappedArena::AllocateInNewBlock(size_t size, size_t align) noexcept {
  StopHelper();  // it serves the first block only
  if (size > limit_ || size + align < size) return nullptr;
  size_t blockSize = std::max(size + align, blocks_.empty() ? kSmallBlock : kLargeBlock);
  // The last block may be smaller than usual, to end exactly at the limit.
  if (mapped_ >= limit_ || size + align > limit_ - mapped_) return nullptr;
  blockSize = std::min(blockSize, limit_ - mapped_);
  try {
    blocks_.reserve(blocks_.size() + 1);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  MappedBlock block(blockSize, std::nothrow);
  if (!block.data()) return nullptr;
  blocks_.push_back(std::move(block));
  mapped_ += blockSize;
  used_ = 0;
  return TryAllocate(size, align);
}
