// The document of an HTML page: the element tree that gumbo builds from the page's text, with the
// live state of its form controls (typed values, checked boxes, picked options). It is counted:
// the browser holds the document of the page it shows, and every element object handed out to a
// caller holds it too, so a caller's element stays valid after the browser has moved on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/engine/MappedArena.h"

#include "platform/com/CountedObject.h"

struct GumboInternalNode;
struct GumboInternalOutput;

// One node of a document (an element, a text, or the document itself at the root): a handle
// copied freely, valid while its document lives. The tree is the parser's own, read in place: a
// 10 MB page has about a million nodes, and a copy of them would double what a page costs.
// Texts are UTF-8 as the parser gives them; tag and attribute names are in lower case. A
// default handle is no node.
class PageNode {
 public:
  PageNode() = default;
  explicit operator bool() const { return node_ != nullptr; }
  bool operator==(const PageNode&) const = default;
  struct Hash {
    size_t operator()(PageNode node) const { return std::hash<const void*>()(node.node_); }
  };

  bool IsText() const;
  bool IsElement() const;
  bool IsElement(std::string_view tag) const { return IsElement() && Tag() == tag; }
  // "#document" at the root; empty for a text.
  std::string_view Tag() const;
  // The text of a text node; empty for the others.
  std::string_view Text() const;
  PageNode Parent() const;

  // The elements and texts below a node, in order (comments are left out).
  class Children {
   public:
    class iterator {
     public:
      PageNode operator*() const;
      iterator& operator++();
      bool operator==(const iterator& other) const { return at_ == other.at_; }

     private:
      friend class Children;
      iterator(const Children* range, unsigned at) : range_(range), at_(at) { SkipComments(); }
      void SkipComments();
      const Children* range_;
      unsigned at_;
    };
    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, count_); }

   private:
    friend class PageNode;
    void* const* items_ = nullptr;
    unsigned count_ = 0;
  };
  Children ChildNodes() const;

  // The attribute's value (`name` in lower case), or nothing when the element has none.
  std::optional<std::string_view> Attribute(std::string_view name) const;
  bool HasAttribute(std::string_view name) const { return Attribute(name).has_value(); }
  std::wstring AttributeOr(std::string_view name, std::wstring_view fallback = {}) const;
  // Every attribute as (name, value), in the order the page gives them.
  std::vector<std::pair<std::string_view, std::string_view>> Attributes() const;

 private:
  friend class PageDocument;
  explicit PageNode(GumboInternalNode* node) : node_(node) {}
  GumboInternalNode* node_ = nullptr;
};

class PageDocument : public CountedObject {
 public:
  // Use Parse.
  explicit PageDocument(std::wstring url) : url_(std::move(url)) {}
  PageDocument(const PageDocument&) = delete;
  PageDocument& operator=(const PageDocument&) = delete;

  // Builds the document of `html` (UTF-8), the text of the page at `url`: a broken page gives
  // what the HTML parser makes of it, nested no deeper than the engine's bound (see
  // NestingBound). A page whose parse outgrows its budget (ArenaParse) gives its text only
  // (TextOnlyPage), and TextOnly says so. Null only when the system has no memory for that.
  static CComPtr<PageDocument> Parse(std::string_view html, std::wstring url);
  // Whether the document holds the page's text without its tree.
  bool TextOnly() const { return textOnly_; }

  const std::wstring& Url() const { return url_; }
  // The address relative references resolve against: the page's <base href>, or its address.
  std::wstring BaseUrl() const;
  std::wstring ResolveReference(std::wstring_view reference) const;
  // The text of the first <title>, white space collapsed; empty when the page has none.
  std::wstring Title() const;

  PageNode Root() const { return root_; }
  // Every element in document order.
  const std::vector<PageNode>& Elements() const { return elements_; }
  const std::vector<PageNode>& Forms() const { return forms_; }
  // The controls of `form` in document order.
  const std::vector<PageNode>& ControlsOf(PageNode form) const;
  // The form a control belongs to; no node for the rest.
  PageNode FormOf(PageNode control) const;
  // The <frame> and <iframe> elements in document order.
  const std::vector<PageNode>& Frames() const { return frames_; }

  // Whether an element of `tag` starts a line of its own in the text a page shows, and whether
  // its content is left out of that text (the head, scripts, styles, and the controls whose
  // content is their value).
  static bool IsBlockTag(std::string_view tag);
  static bool IsHiddenTag(std::string_view tag);
  // The text a node shows: white space collapsed, block elements on lines of their own, scripts,
  // styles and the head left out.
  static std::wstring VisibleText(PageNode node);
  // The same in UTF-8, for a whole page's text: a quarter of the wide text's memory.
  static std::string VisibleTextUtf8(PageNode node);

  // Control state, as the page's script and the user see it.
  static bool IsControl(PageNode node);
  // The type of an input in lower case; "text" when missing or unknown.
  static std::wstring InputType(PageNode input);
  // The current value of an input, textarea, select or button.
  std::wstring ControlValue(PageNode control) const;
  void SetControlValue(PageNode control, std::wstring value);
  bool IsChecked(PageNode input) const { return Flag(input); }
  // Ticks or clears a checkbox or radio button; ticking a radio button clears the others of its
  // group (same name, same form).
  void SetChecked(PageNode input, bool checked);
  bool IsSelected(PageNode option) const { return Flag(option); }
  // Sets the checked state of a checkbox or radio button, or the selected state of an option,
  // as given and leaves the rest of its group alone: for a state that comes whole from a page.
  void SetState(PageNode control, bool on) { flags_[control] = on; }
  // Selects the first option of `select` whose value is `value`; false when it has none (then no
  // option stays selected).
  bool SelectValue(PageNode select, std::wstring_view value);
  static std::vector<PageNode> OptionsOf(PageNode select);
  static std::wstring OptionValue(PageNode option);

 private:
  bool Flag(PageNode node) const {
    auto found = flags_.find(node);
    return found != flags_.end() && found->second;
  }
  void Index(GumboInternalNode* document);

  std::wstring url_;
  std::wstring baseUrl_;  // found once by Index
  bool textOnly_ = false;
  MappedArena tree_;       // the parser's tree and the names of unknown tags; freed at once
  PageNode root_;
  std::vector<PageNode> elements_;
  std::vector<PageNode> forms_;
  std::vector<PageNode> frames_;
  std::vector<std::vector<PageNode>> formControls_;
  std::unordered_map<PageNode, uint32_t, PageNode::Hash> formIndex_;
  std::unordered_map<PageNode, PageNode, PageNode::Hash> formOf_;  // controls only
  std::unordered_map<PageNode, std::wstring, PageNode::Hash> values_;  // typed or written
  std::unordered_map<PageNode, bool, PageNode::Hash> flags_;  // checked inputs, selected options
};
