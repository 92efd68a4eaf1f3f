// A page shown by WebKit as the engine's document: the page's script reads the markup the browser
// holds now and the live state of every form control (what was typed, ticked, picked), the
// answer is decoded here (ReadPageForms) and built into the same PageDocument the engine makes,
// so the document objects handed to the toolbar (HtmlObjects) are the engine's. What the toolbar
// writes into them is found again with ChangedControls and written back into the page.
//
// Controls are numbered in document order over the input, select and textarea elements, in the
// page as in the document.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/engine/PageDocument.h"

struct ControlState {
  std::wstring tag;  // input, select or textarea
  std::wstring name;
  std::wstring value;
  bool checked = false;
  std::vector<bool> selected;  // a select's options, in order

  bool operator==(const ControlState&) const = default;
};

struct PageForms {
  std::string html;  // the markup of the page's root element, in UTF-8
  std::vector<ControlState> controls;
};

// The bounds of what a page may answer: a page past one of them is read as a page without forms.
constexpr size_t kMaxPageMarkupBytes = 16 * 1024 * 1024;
constexpr size_t kMaxPageControls = 10'000;
constexpr size_t kMaxControlOptions = 10'000;

// Decodes the read script's answer: {"html": TEXT, "controls": [{"tag", "name", "value",
// "checked", "selected": [BOOL...]}...]}. Nothing when it is malformed, of another shape, or
// past a bound. Unknown members are ignored.
std::optional<PageForms> ReadPageForms(std::string_view json);

// The document of the page at `url`: its markup parsed as the engine parses a page, with the
// state of each control put in where the control in that place has the same tag and name.
CComPtr<PageDocument> DocumentFromPageForms(const PageForms& forms, std::wstring url);

// The input, select and textarea elements of `document` in document order.
std::vector<PageNode> ControlsInOrder(const PageDocument& document);
// Their state as the document holds it now.
std::vector<ControlState> ControlStates(const PageDocument& document);

struct ControlChange {
  size_t index;        // in document order
  ControlState state;  // the new state
};
// The controls whose state in `now` differs from `before` (the same control: same place, tag
// and name).
std::vector<ControlChange> ChangedControls(const std::vector<ControlState>& before,
                                           const std::vector<ControlState>& now);
