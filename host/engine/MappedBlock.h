// A block of anonymous memory mapped for one large, short-lived use (a page's parse), asking the
// kernel for huge pages: a 10 MB page makes the parser touch hundreds of megabytes, and taking
// them 4 KiB at a time costs more than the parse itself. Move-only; unmapped when destroyed.
#pragma once
#include <sys/mman.h>

#include <cstddef>
#include <new>
#include <utility>

class MappedBlock {
 public:
  explicit MappedBlock(size_t size) : size_(size) {
    void* memory = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    data_ = static_cast<std::byte*>(memory);
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
