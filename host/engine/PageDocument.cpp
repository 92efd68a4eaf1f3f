#include "host/engine/PageDocument.h"

#include <gumbo.h>

#include <algorithm>
#include <cstddef>
#include <unordered_map>

#include "host/engine/ArenaParse.h"
#include "host/engine/NestingBound.h"
#include "host/engine/Url.h"
#include "platform/text/WideText.h"

namespace {

bool IsBlock(std::string_view tag) {
  static constexpr std::string_view kBlocks[] = {
      "address", "article", "aside", "blockquote", "body", "br", "caption", "dd", "div",
      "dl", "dt", "fieldset", "figcaption", "figure", "footer", "form", "frameset", "h1",
      "h2", "h3", "h4", "h5", "h6", "header", "hr", "html", "li", "main", "nav", "ol",
      "p", "pre", "section", "table", "tbody", "td", "tfoot", "th", "thead", "tr", "ul"};
  return std::ranges::find(kBlocks, tag) != std::end(kBlocks);
}

bool IsHidden(std::string_view tag) {
  return tag == "head" || tag == "script" || tag == "style" || tag == "title" || tag == "template" ||
         tag == "noscript" || tag == "select" || tag == "textarea" || tag == "option";
}

bool IsElementNode(const GumboNode* node) {
  return node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE;
}

// The texts of a node's text children, joined.
std::wstring ChildText(PageNode node) {
  std::wstring text;
  for (PageNode child : node.ChildNodes())
    if (child.IsText()) text += FromUtf8(child.Text());
  return text;
}

// `text` with each run of white space made one space, and none at either end.
std::wstring Collapse(std::wstring_view text) {
  std::wstring collapsed;
  for (wchar_t c : text) {
    if (!IsWideSpace(c)) collapsed += c;
    else if (!collapsed.empty() && collapsed.back() != L' ') collapsed += L' ';
  }
  return Trim(collapsed);
}

}  // namespace

bool PageNode::IsText() const {
  return node_ && (node_->type == GUMBO_NODE_TEXT || node_->type == GUMBO_NODE_CDATA ||
                   node_->type == GUMBO_NODE_WHITESPACE);
}

bool PageNode::IsElement() const { return node_ && IsElementNode(node_); }

std::string_view PageNode::Tag() const {
  if (!node_) return {};
  if (node_->type == GUMBO_NODE_DOCUMENT) return "#document";
  if (!IsElementNode(node_)) return {};
  const GumboElement& element = node_->v.element;
  // Index gave each unknown tag its name, in lower case, in place of the tag's page text.
  if (element.tag == GUMBO_TAG_UNKNOWN) return std::string_view(element.original_tag.data, element.original_tag.length);
  return gumbo_normalized_tagname(element.tag);
}

std::string_view PageNode::Text() const { return IsText() ? std::string_view(node_->v.text.text) : std::string_view(); }

PageNode PageNode::Parent() const { return PageNode(node_ ? node_->parent : nullptr); }

PageNode PageNode::Children::iterator::operator*() const {
  return PageNode(static_cast<GumboNode*>(range_->items_[at_]));
}

PageNode::Children::iterator& PageNode::Children::iterator::operator++() {
  ++at_;
  SkipComments();
  return *this;
}

void PageNode::Children::iterator::SkipComments() {
  while (at_ < range_->count_ && static_cast<GumboNode*>(range_->items_[at_])->type == GUMBO_NODE_COMMENT) ++at_;
}

PageNode::Children PageNode::ChildNodes() const {
  Children children;
  const GumboVector* vector = nullptr;
  if (node_ && node_->type == GUMBO_NODE_DOCUMENT) vector = &node_->v.document.children;
  else if (IsElement()) vector = &node_->v.element.children;
  if (vector) {
    children.items_ = vector->data;
    children.count_ = vector->length;
  }
  return children;
}

std::optional<std::string_view> PageNode::Attribute(std::string_view name) const {
  if (!IsElement()) return std::nullopt;
  const GumboVector& attributes = node_->v.element.attributes;
  for (unsigned i = 0; i < attributes.length; ++i) {
    auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
    if (attribute->name == name) return std::string_view(attribute->value);
  }
  return std::nullopt;
}

std::wstring PageNode::AttributeOr(std::string_view name, std::wstring_view fallback) const {
  std::optional<std::string_view> value = Attribute(name);
  return value ? FromUtf8(*value) : std::wstring(fallback);
}

std::vector<std::pair<std::string_view, std::string_view>> PageNode::Attributes() const {
  std::vector<std::pair<std::string_view, std::string_view>> all;
  if (!IsElement()) return all;
  const GumboVector& attributes = node_->v.element.attributes;
  for (unsigned i = 0; i < attributes.length; ++i) {
    auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
    all.emplace_back(attribute->name, attribute->value);
  }
  return all;
}

CComPtr<PageDocument> PageDocument::Parse(std::string_view html, std::wstring url) {
  std::string bounded;
  CComPtr<PageDocument> document = MakeCounted<PageDocument>(url);
  GumboOutput* output = ParseInArena(BoundNesting(html, bounded), document->tree_);
  if (!output) {
    // Past the parse's budget, or a page the parser gave up on: the page's text, in a flat tree
    // the parser builds in a time and memory its size bounds. The first attempt's memory goes
    // first.
    document = MakeCounted<PageDocument>(std::move(url));
    document->textOnly_ = true;
    output = ParseInArena(TextOnlyPage(html), document->tree_);
    if (!output) return nullptr;
  }
  document->Index(output->document);
  return document;
}

// Walks the tree once, in document order (iteratively: a page may nest deeply), recording the
// elements, forms, frames and initial control state, then finds each control's form.
void PageDocument::Index(GumboNode* document) {
  root_ = PageNode(document);
  std::vector<GumboNode*> pending{document};
  // The parser leaves a form opened between table rows empty, its controls following it in the
  // table; it still owns them, as it would have in the browser's parser.
  auto tableOf = [](PageNode form) -> PageNode {
    PageNode p = form.Parent();
    std::string_view tag = p.Tag();
    if (!(tag == "table" || tag == "tbody" || tag == "thead" || tag == "tfoot" || tag == "tr")) return {};
    while (p && !p.IsElement("table")) p = p.Parent();
    return p;
  };
  // Each control, with the last form before it when that form was opened in a table, and the table.
  struct Control {
    PageNode node, tableForm, table;
  };
  std::vector<Control> controls;
  PageNode tableForm, table;
  while (!pending.empty()) {
    GumboNode* node = pending.back();
    pending.pop_back();
    const GumboVector* children = &node->v.document.children;
    if (node != document) {
      if (!IsElementNode(node)) continue;
      GumboElement& element = node->v.element;
      children = &element.children;
      if (element.tag == GUMBO_TAG_UNKNOWN) {
        // The tag's page text does not outlive the parse: its name is kept, in lower case.
        GumboStringPiece name = element.original_tag;
        gumbo_tag_from_original_text(&name);
        auto* kept = static_cast<char*>(tree_.TryAllocate(name.length, 1));
        if (kept)
          std::transform(name.data, name.data + name.length, kept,
                         [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
        element.original_tag = {kept, kept ? name.length : 0};
      }
      PageNode found(node);
      elements_.push_back(found);
      std::string_view tag = found.Tag();
      if (tag == "form") {
        formIndex_.emplace(found, static_cast<uint32_t>(forms_.size()));
        forms_.push_back(found);
        table = tableOf(found);
        tableForm = table ? found : PageNode();
      } else if (tag == "input" || tag == "option") {
        if (found.HasAttribute(tag == "input" ? "checked" : "selected")) flags_[found] = true;
      } else if (tag == "frame" || tag == "iframe") {
        frames_.push_back(found);
      } else if (tag == "base" && baseUrl_.empty()) {
        if (std::optional<std::string_view> href = found.Attribute("href")) baseUrl_ = ResolveUrl(url_, FromUtf8(*href));
      }
      if (IsControl(found)) controls.push_back({found, tableForm, table});
    }
    for (unsigned i = children->length; i-- > 0;) pending.push_back(static_cast<GumboNode*>(children->data[i]));
  }

  std::unordered_map<std::string_view, PageNode> formsById;
  for (PageNode form : forms_)
    if (std::optional<std::string_view> id = form.Attribute("id")) formsById.emplace(*id, form);
  formControls_.resize(forms_.size());
  for (auto [control, formInTable, tableOfForm] : controls) {
    PageNode owner;
    if (std::optional<std::string_view> formId = control.Attribute("form")) {
      auto found = formsById.find(*formId);
      if (found != formsById.end()) owner = found->second;
    }
    for (PageNode p = control.Parent(); !owner && p; p = p.Parent())
      if (p.IsElement("form")) owner = p;
    // Bounded: a control deep below the table is not one the form was opened around.
    int levels = 0;
    for (PageNode p = control.Parent(); tableOfForm && !owner && p && levels < 64; p = p.Parent(), ++levels)
      if (p == tableOfForm) owner = formInTable;
    if (!owner) continue;
    formOf_.emplace(control, owner);
    formControls_[formIndex_.at(owner)].push_back(control);
  }
  for (const Control& entry : controls) {
    PageNode control = entry.node;
    if (!control.IsElement("select")) continue;
    // A drop-down list shows one option: the last one marked selected, or else the first.
    std::vector<PageNode> options = OptionsOf(control);
    if (control.HasAttribute("multiple") || options.empty()) continue;
    PageNode chosen;
    for (PageNode option : options)
      if (IsSelected(option)) chosen = option;
    for (PageNode option : options) flags_.erase(option);
    flags_[chosen ? chosen : options.front()] = true;
  }
}

const std::vector<PageNode>& PageDocument::ControlsOf(PageNode form) const {
  static const std::vector<PageNode> kNone;
  auto found = formIndex_.find(form);
  return found == formIndex_.end() ? kNone : formControls_[found->second];
}

PageNode PageDocument::FormOf(PageNode control) const {
  auto found = formOf_.find(control);
  return found == formOf_.end() ? PageNode() : found->second;
}

std::wstring PageDocument::BaseUrl() const { return baseUrl_.empty() ? url_ : baseUrl_; }

std::wstring PageDocument::ResolveReference(std::wstring_view reference) const {
  return ResolveUrl(BaseUrl(), reference);
}

std::wstring PageDocument::Title() const {
  for (PageNode element : elements_)
    if (element.IsElement("title")) return Collapse(ChildText(element));
  return {};
}

bool PageDocument::IsBlockTag(std::string_view tag) { return IsBlock(tag); }

bool PageDocument::IsHiddenTag(std::string_view tag) { return IsHidden(tag); }

std::wstring PageDocument::VisibleText(PageNode node) { return FromUtf8(VisibleTextUtf8(node)); }

std::string PageDocument::VisibleTextUtf8(PageNode start) {
  std::string out;
  bool pendingSpace = false;
  auto lineBreak = [&] {
    pendingSpace = false;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (!out.empty() && out.back() != '\n') out += '\n';
  };
  // Each entry is a node to enter, or (with `leaving`) a block to close with a line break.
  struct Step {
    PageNode node;
    bool leaving;
    bool inPre;  // carried down rather than looked up, so deep pages stay linear
  };
  bool startInPre = false;
  for (PageNode p = start; p && !startInPre; p = p.Parent()) startInPre = p.IsElement("pre");
  std::vector<Step> pending{{start, false, startInPre}};
  while (!pending.empty()) {
    Step step = pending.back();
    pending.pop_back();
    PageNode node = step.node;
    if (step.leaving) {
      lineBreak();
      continue;
    }
    if (node.IsText()) {
      std::string_view text = node.Text();
      if (step.inPre) {
        out += text;
        continue;
      }
      // The parser gives valid UTF-8: a character is its lead byte and the continuation bytes.
      for (size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::string_view character = text.substr(i, length);
        i += character.size();
        wchar_t wide[4] = {static_cast<wchar_t>(lead)};
        if (lead >= 0x80) DecodeUtf8(character, wide);
        if (IsWideSpace(wide[0])) {
          pendingSpace = true;
        } else {
          if (pendingSpace && !out.empty() && out.back() != '\n') out += ' ';
          pendingSpace = false;
          out += character;
        }
      }
      continue;
    }
    std::string_view tag = node.Tag();
    if (node != start && IsHidden(tag)) continue;
    if (IsBlock(tag)) {
      lineBreak();
      pending.push_back({node, true, step.inPre});
    }
    bool inPre = step.inPre || tag == "pre";
    size_t first = pending.size();
    for (PageNode child : node.ChildNodes()) pending.push_back({child, false, inPre});
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

bool PageDocument::IsControl(PageNode node) {
  static constexpr std::string_view kControls[] = {"input", "select", "textarea", "button",
                                                   "fieldset", "object", "output"};
  return node.IsElement() && std::ranges::find(kControls, node.Tag()) != std::end(kControls);
}

std::wstring PageDocument::InputType(PageNode input) {
  static const std::wstring_view kTypes[] = {
      L"text", L"password", L"checkbox", L"radio", L"hidden", L"submit", L"reset", L"button",
      L"image", L"file", L"email", L"number", L"search", L"tel", L"url", L"date", L"time",
      L"datetime-local", L"month", L"week", L"color", L"range"};
  std::wstring type = ToLower(Trim(input.AttributeOr("type")));
  return std::ranges::find(kTypes, type) != std::end(kTypes) ? type : L"text";
}

std::vector<PageNode> PageDocument::OptionsOf(PageNode select) {
  std::vector<PageNode> options;
  for (PageNode child : select.ChildNodes()) {
    if (child.IsElement("option")) options.push_back(child);
    else if (child.IsElement("optgroup"))
      for (PageNode grandchild : child.ChildNodes())
        if (grandchild.IsElement("option")) options.push_back(grandchild);
  }
  return options;
}

std::wstring PageDocument::OptionValue(PageNode option) {
  if (std::optional<std::string_view> value = option.Attribute("value")) return FromUtf8(*value);
  return Collapse(ChildText(option));
}

std::wstring PageDocument::ControlValue(PageNode control) const {
  if (auto typed = values_.find(control); typed != values_.end()) return typed->second;
  if (control.IsElement("select")) {
    for (PageNode option : OptionsOf(control))
      if (IsSelected(option)) return OptionValue(option);
    return {};
  }
  if (control.IsElement("textarea")) return ChildText(control);
  if (std::optional<std::string_view> value = control.Attribute("value")) return FromUtf8(*value);
  if (control.IsElement("input")) {
    std::wstring type = InputType(control);
    if (type == L"checkbox" || type == L"radio") return L"on";
  }
  return {};
}

void PageDocument::SetControlValue(PageNode control, std::wstring value) {
  if (control.IsElement("select")) SelectValue(control, value);
  else values_[control] = std::move(value);
}

bool PageDocument::SelectValue(PageNode select, std::wstring_view value) {
  bool found = false;
  for (PageNode option : OptionsOf(select)) {
    bool chosen = !found && OptionValue(option) == value;
    SetState(option, chosen);
    found = found || chosen;
  }
  return found;
}

void PageDocument::SetChecked(PageNode input, bool checked) {
  if (checked && InputType(input) == L"radio") {
    std::wstring name = input.AttributeOr("name");
    // The group: radio buttons of the same name in the same form, or in none.
    PageNode form = FormOf(input);
    for (PageNode other : form ? ControlsOf(form) : elements_)
      if (other != input && other.IsElement("input") && FormOf(other) == form && InputType(other) == L"radio" &&
          other.AttributeOr("name") == name)
        flags_.erase(other);
  }
  flags_[input] = checked;
}
