#include "host/engine/MappedArena.h"

#include <algorithm>
#include <new>

namespace {

constexpr size_t kSmallBlock = size_t{64} << 10;
constexpr size_t kLargeBlock = size_t{32} << 20;

}  // namespace

void MappedArena::Expect(size_t bytes) {
  if (!blocks_.empty()) return;
  size_t size = std::min(std::max(bytes, kSmallBlock), limit_);
  MappedBlock block(size, std::nothrow);
  if (!block.data()) return;  // the first allocation tries again, and fails cleanly
  blocks_.push_back(std::move(block));
  mapped_ += size;
}

void* MappedArena::AllocateInNewBlock(size_t size, size_t align) noexcept {
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
