// The desktop host's reading of a page's forms: the answer of the page's own script, which a
// hostile page can shape at will (its markup, and what its script leaves in the controls). Any
// answer is decoded or refused, never past its bounds; one decoded is built into the engine's
// document, whose controls then show the states read, and reading them again finds no change.
#include "fuzz/FuzzSupport.h"
#include "host/gtk/PageForms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<PageForms> forms = ReadPageForms(AsBytes(data, size));
  if (!forms) return 0;
  FUZZ_CHECK(forms->controls.size() <= kMaxPageControls, "more controls than a page may answer");
  for (const ControlState& control : forms->controls)
    FUZZ_CHECK(control.selected.size() <= kMaxControlOptions, "more options than a list may answer");

  CComPtr<PageDocument> document = DocumentFromPageForms(*forms, L"http://login.example.com/signin");
  if (!document) return 0;
  std::vector<ControlState> states = ControlStates(*document);
  FUZZ_CHECK(states.size() == ControlsInOrder(*document).size(), "a control without its state");
  FUZZ_CHECK(ChangedControls(states, states).empty(), "a document that differs from itself");
  for (const ControlChange& change : ChangedControls(forms->controls, states))
    FUZZ_CHECK(change.index < states.size(), "a change to a control the document does not have");
  return 0;
}
