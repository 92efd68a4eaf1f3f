// Files built into the program (see cmake/Embed.cmake), named by their path in the source tree.
#pragma once
#include <cstddef>
#include <string_view>

struct EmbeddedFile {
  const char* name;
  const char* data;
  size_t size;
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const size_t kEmbeddedFileCount;

// The named file's bytes; empty when there is no such file.
inline std::string_view EmbeddedFileData(std::string_view name) {
  for (size_t i = 0; i < kEmbeddedFileCount; ++i)
    if (name == kEmbeddedFiles[i].name) return {kEmbeddedFiles[i].data, kEmbeddedFiles[i].size};
  return {};
}
