// A block of anonymous memory mapped for one large use (a page's parse),
// aligned to and advised for huge pages: a 10 MB page makes the parser touch hundreds of
// megabytes, and taking them 4 KiB at a time costs more than the parse itself. Only address
// space is reserved at first; the kernel gives pages as they are touched or populated.
// Move-only; unmapped when destroyed.
#pragma once
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

class MappedBlock {
 public:
  static constexpr size_t kHugePage = size_t{2} << 20;

  // Leaves the block empty (data() null) when the system has no room for it.
  MappedBlock(size_t size, std::nothrow_t) {
    // Blocks of a huge page or more start on a huge page boundary, so that the kernel can back
    // all of them with huge pages: map a little more and give back the unaligned ends.
    size_t slack = size >= kHugePage ? kHugePage : 0;
    size_t mapped = size + slack;
    if (mapped < size) return;
    void* memory = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) return;
    auto* start = static_cast<std::byte*>(memory);
    auto* aligned = start;
    if (slack) {
      auto address = reinterpret_cast<std::uintptr_t>(start);
      aligned = start + ((kHugePage - address % kHugePage) % kHugePage);
      if (aligned > start) ::munmap(start, static_cast<size_t>(aligned - start));
      std::byte* end = start + mapped;
      if (end > aligned + size) ::munmap(aligned + size, static_cast<size_t>(end - (aligned + size)));
    }
    data_ = aligned;
    size_ = size;
#ifdef MADV_HUGEPAGE
    ::madvise(data_, size_, MADV_HUGEPAGE);  // a hint: without huge pages the block works the same
#endif
  }
  ~MappedBlock() {
    if (data_) ::munmap(data_, size_);
  }
  MappedBlock(MappedBlock&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  MappedBlock& operator=(MappedBlock&& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    return *this;
  }
  MappedBlock(const MappedBlock&) = delete;
  MappedBlock& operator=(const MappedBlock&) = delete;

  std::byte* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  std::byte* data_ = nullptr;
  size_t size_ = 0;
};
