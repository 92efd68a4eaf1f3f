#include "platform/ui/TextBuffer.h"

#include <algorithm>

#include "platform/text/WideText.h"
#include "platform/ui/WindowRecord.h"

int CopyTextToBuffer(std::wstring_view text, wchar_t* buffer, int capacity) {
  return ui_internal::CopyToBuffer(text, buffer, capacity);
}

int CopyNarrowToBuffer(std::string_view text, char* buffer, int capacity) {
  if (!buffer || capacity < 1) return 0;
  size_t count = std::min(text.size(), static_cast<size_t>(capacity - 1));
  // Back off continuation bytes so the cut falls between two characters.
  if (count < text.size())
    while (count > 0 && (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) --count;
  std::copy_n(text.data(), count, buffer);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

int CopyTextToNarrowBuffer(std::wstring_view text, char* buffer, int capacity) {
  return CopyNarrowToBuffer(ToUtf8(text), buffer, capacity);
}
