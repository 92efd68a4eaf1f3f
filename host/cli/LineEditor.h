// Where the lines a person types at the prompt come from: the terminal through libedit (line
// editing and a history of the session's commands), or any stream, as tests give them.
#pragma once
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

// What a line is read for: a command goes into the history, an answer to a question does not.
enum class LineKind { Command, Answer };

class LineSource {
 public:
  virtual ~LineSource() = default;
  // Shows `prompt` and returns the next line typed, without its line end; none at the end of the
  // input (Ctrl-D on an empty line).
  virtual std::optional<std::string> ReadLine(const std::string& prompt, LineKind kind) = 0;
};

// Lines from a stream, the prompt written to `out`.
class StreamLineSource final : public LineSource {
 public:
  StreamLineSource(std::istream& in, std::ostream& out) : in_(in), out_(out) {}
  std::optional<std::string> ReadLine(const std::string& prompt, LineKind kind) override;

 private:
  std::istream& in_;
  std::ostream& out_;
};

// Lines from the terminal on standard input, edited with libedit (emacs keys, ~/.editrc read),
// each line that is not blank kept in the history for the arrow keys. Move-only: it owns the
// editor and its history.
class LineEditor final : public LineSource {
 public:
  // `program` names the program to libedit (for ~/.editrc).
  explicit LineEditor(const char* program);
  ~LineEditor() override;
  LineEditor(LineEditor&&) noexcept;
  LineEditor& operator=(LineEditor&&) noexcept;

  std::optional<std::string> ReadLine(const std::string& prompt, LineKind kind) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};
