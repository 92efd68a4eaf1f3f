#include "host/cli/LineEditor.h"

#include <histedit.h>

#include <cstdio>
#include <iostream>

#include "host/core/ScriptReader.h"

namespace {

constexpr int kHistorySize = 500;

struct EditLineDeleter {
  void operator()(EditLine* editor) const { el_end(editor); }
};
struct HistoryDeleter {
  void operator()(History* history) const { history_end(history); }
};

std::string WithoutLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

}  // namespace

std::optional<std::string> StreamLineSource::ReadLine(const std::string& prompt, LineKind) {
  out_ << prompt << std::flush;
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  if (line.size() > kMaxScriptLineBytes) line.resize(kMaxScriptLineBytes);
  return WithoutLineEnd(std::move(line));
}

struct LineEditor::State {
  std::unique_ptr<History, HistoryDeleter> history;
  std::unique_ptr<EditLine, EditLineDeleter> editor;
  std::string prompt;

  static char* Prompt(EditLine* editor) {
    void* data = nullptr;
    el_get(editor, EL_CLIENTDATA, &data);
    return static_cast<State*>(data)->prompt.data();
  }
};

LineEditor::LineEditor(const char* program) : state_(std::make_unique<State>()) {
  state_->history.reset(history_init());
  HistEvent event;
  history(state_->history.get(), &event, H_SETSIZE, kHistorySize);
  history(state_->history.get(), &event, H_SETUNIQUE, 1);
  state_->editor.reset(el_init(program, stdin, stdout, stderr));
  EditLine* editor = state_->editor.get();
  el_set(editor, EL_CLIENTDATA, state_.get());
  el_set(editor, EL_PROMPT, &State::Prompt);
  el_set(editor, EL_EDITOR, "emacs");
  el_set(editor, EL_HIST, history, state_->history.get());
  el_source(editor, nullptr);
}

LineEditor::~LineEditor() = default;
LineEditor::LineEditor(LineEditor&&) noexcept = default;
LineEditor& LineEditor::operator=(LineEditor&&) noexcept = default;

std::optional<std::string> LineEditor::ReadLine(const std::string& prompt, LineKind kind) {
  std::cout.flush();
  state_->prompt = prompt;
  // libedit shows the prompt first and puts the terminal in its key-by-key mode only when it reads
  // the first key; a Ctrl-D typed in between reached the terminal's own line mode, which takes it
  // for the end of an empty line and hands libedit a NUL instead, and the session went on. The
  // prompt is shown once the terminal takes keys one by one (libedit restores the line mode after
  // the line).
  el_set(state_->editor.get(), EL_PREP_TERM, 1);
  int count = 0;
  const char* read = el_gets(state_->editor.get(), &count);
  if (!read || count <= 0) return std::nullopt;
  std::string line = WithoutLineEnd(std::string(read, static_cast<size_t>(count)));
  if (line.size() > kMaxScriptLineBytes) line.resize(kMaxScriptLineBytes);
  if (kind == LineKind::Command && line.find_first_not_of(" \t") != std::string::npos) {
    HistEvent event;
    history(state_->history.get(), &event, H_ENTER, line.c_str());
  }
  return line;
}
