// A block of anonymous memory mapped for one large use (a page's parse). Only address space is
// reserved at first; the system gives pages as they are touched. Move-only; unmapped when
// destroyed.
#pragma once
#include <sys/mman.h>

#include <cstddef>
#include <new>
#include <utility>

class MappedBlock {
 public:
  // Leaves the block empty (data() null) when the system has no room for it.
  MappedBlock(size_t size, std::nothrow_t) {
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) return;
    data_ = static_cast<std::byte*>(memory);
    size_ = size;
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
