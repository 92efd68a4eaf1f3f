// The head of an HTTP response as the internet client gathers it: the lines libcurl hands over
// one at a time, kept as the status line and the header lines each ending in CR LF, then the
// empty line that ends the head. The head of an interim answer (1xx) is replaced by the next.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

class ResponseHead {
 public:
  // The largest head kept; a larger one fails the request.
  static constexpr size_t kMaxBytes = size_t{64} << 10;

  enum class Step { More, Complete, TooLarge };

  // Adds one line as received (its line end, if any, is dropped). `status` is the status code of
  // the response the line belongs to; it decides only at the empty line, where a final answer
  // (200 and above) completes the head. Lines after completion (a chunked body's trailers) are
  // not part of the head and change nothing.
  Step Add(std::string_view line, long status);

  bool Complete() const { return complete_; }
  bool TooLarge() const { return tooLarge_; }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
  bool complete_ = false;
  bool tooLarge_ = false;
};
