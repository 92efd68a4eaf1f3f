// The JavaScript the desktop host runs in a page shown by WebKit. Every text taken from outside
// (a field name, a typed value, a value the toolbar fills in) goes into a script only as a
// string literal made by JavaScriptString, so no text ever runs as script in the page.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/gtk/PageForms.h"

// `text` as a double-quoted JavaScript string literal in plain ASCII: quotes, backslashes, every
// character outside printable ASCII and the characters that end markup or lines as \uXXXX
// escapes (surrogate pairs beyond the Basic Multilingual Plane; an invalid code point as U+FFFD).
std::string JavaScriptString(std::wstring_view text);

// Answers the page's markup and control states as a JSON text (see ReadPageForms), within the
// bounds ReadPageForms takes: a larger page answers no markup and no controls.
std::string ReadPageScript();
// Types `text` over the whole of the first text field named `fieldName`; answers true when there
// was one.
std::string TypeTextScript(std::wstring_view fieldName, std::wstring_view text);
// Submits the page's form `index` (from 0) without pressing a button; answers true when it has one.
std::string SubmitFormScript(size_t index);
// Writes the changed control states into the page's controls (numbered as in PageForms).
std::string WriteControlsScript(const std::vector<ControlChange>& changes);
