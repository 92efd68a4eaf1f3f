#include "platform/inet/ResponseHead.h"

ResponseHead::Step ResponseHead::Add(std::string_view line, long status) {
  if (complete_) return Step::Complete;
  if (tooLarge_) return Step::TooLarge;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.starts_with("HTTP/")) text_.clear();  // each response, interim ones too, has its own head
  if (text_.size() + line.size() + 2 > kMaxBytes) {
    tooLarge_ = true;
    return Step::TooLarge;
  }
  text_.append(line);
  text_.append("\r\n");
  if (line.empty() && status >= 200) complete_ = true;
  return complete_ ? Step::Complete : Step::More;
}
