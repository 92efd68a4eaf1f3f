// The document of an HTML page: the element tree that gumbo builds from the page's text, with the
// live state of its form controls (typed values, checked boxes, picked options). It is counted:
// the browser holds the document of the page it shows, and every element object handed out to a
// caller holds it too, so a caller's element stays valid after the browser has moved on.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/engine/MappedArena.h"
#include "host/engine/NodePool.h"

#include "platform/com/CountedObject.h"

enum class NodeKind : uint8_t { Element, Text };

// One node. Nodes live in their document's storage; the links between them are plain pointers
// so that neither building nor freeing a deeply nested page recurses. The texts of the page
// (tags, text, attributes) never change and are views into the document's text pool.
// A large page has millions of nodes, so the fields are laid out to keep a node small.
struct PageNode {
  std::wstring_view tag;   // lower case; empty for text
  std::wstring_view text;  // text nodes only
  std::span<const std::pair<std::wstring_view, std::wstring_view>> attributes;  // names in lower case
  PageNode* parent = nullptr;
  std::span<PageNode*> children;

  // Form state.
  PageNode* form = nullptr;            // the form a control belongs to
  std::unique_ptr<std::wstring> value;  // the value typed or written, if any
  uint32_t formIndex = 0;              // for a form: its place among the document's forms
  NodeKind kind = NodeKind::Element;
  bool checked = false;   // checkbox and radio button
  bool selected = false;  // option

  bool IsElement(std::wstring_view name) const { return kind == NodeKind::Element && tag == name; }
  // The attribute's value, or null when the element has none (names compare without case).
  const std::wstring_view* Attribute(std::wstring_view name) const;
  std::wstring AttributeOr(std::wstring_view name, std::wstring_view fallback = {}) const;
};

class PageDocument : public CountedObject {
 public:
  // An empty document at `url`; Parse fills one.
  explicit PageDocument(std::wstring url) : url_(std::move(url)) {}

  // Builds the document of `html` (UTF-8), the text of the page at `url`: a broken page gives
  // what the HTML parser makes of it, nested no deeper than the engine's bound (see
  // NestingLimit). Null only when the parse needs more memory than a page of its size may
  // take; the browser then shows its error page.
  static CComPtr<PageDocument> Parse(std::string_view html, std::wstring url);

  const std::wstring& Url() const { return url_; }
  // The address relative references resolve against: the page's <base href>, or its address.
  std::wstring BaseUrl() const;
  std::wstring ResolveReference(std::wstring_view reference) const;
  // The text of the first <title>, white space collapsed; empty when the page has none.
  std::wstring Title() const;

  const PageNode& Root() const { return *root_; }
  // Every element in document order.
  const std::vector<PageNode*>& Elements() const { return elements_; }
  const std::vector<PageNode*>& Forms() const { return forms_; }
  // The controls of `form` in document order.
  const std::vector<PageNode*>& ControlsOf(const PageNode& form) const;
  // The <frame> and <iframe> elements in document order.
  std::vector<PageNode*> Frames() const;

  // The text a node shows: white space collapsed, block elements on lines of their own, scripts,
  // styles and the head left out.
  static std::wstring VisibleText(const PageNode& node);

  // Control state, as the page's script and the user see it.
  static bool IsControl(const PageNode& node);
  // The type of an input in lower case; "text" when missing or unknown.
  static std::wstring InputType(const PageNode& input);
  // The current value of an input, textarea, select or button.
  static std::wstring ControlValue(const PageNode& control);
  static void SetControlValue(PageNode& control, std::wstring value);
  // Ticks or clears a checkbox or radio button; ticking a radio button clears the others of its
  // group (same name, same form).
  void SetChecked(PageNode& input, bool checked);
  // Selects the first option of `select` whose value is `value`; false when it has none (then no
  // option stays selected).
  static bool SelectValue(PageNode& select, std::wstring_view value);
  static std::vector<PageNode*> OptionsOf(const PageNode& select);
  static std::wstring OptionValue(const PageNode& option);

 private:
  PageNode& NewNode();
  // Keeps the wide form of `utf8` in the text pool and returns it.
  std::wstring_view Keep(std::string_view utf8);
  // Records an element, in document order, once its parent has been recorded.
  void AddElement(PageNode& node);
  void Index();  // fills the controls of each form and the initial state of drop-down lists

  std::wstring url_;
  std::wstring baseUrl_;  // found once by Index
  NodePool<PageNode> nodes_;  // addresses that never move
  MappedArena storage_;       // the text pool, and the children and attributes of each node
  PageNode* root_ = nullptr;
  std::vector<PageNode*> elements_;
  std::vector<PageNode*> forms_;
  std::vector<PageNode*> frames_;
  std::vector<std::vector<PageNode*>> formControls_;

  friend class GumboTreeCopier;
};
