#include "host/engine/PageDocument.h"

#include <gumbo.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <span>
#include <unordered_map>

#include "host/engine/ArenaParse.h"
#include "host/engine/NestingLimit.h"
#include "host/engine/MappedArena.h"
#include "host/engine/Url.h"
#include "platform/text/WideText.h"

namespace {

bool IsBlock(std::wstring_view tag) {
  static const std::wstring_view kBlocks[] = {
      L"address", L"article", L"aside", L"blockquote", L"body", L"br", L"caption", L"dd", L"div",
      L"dl", L"dt", L"fieldset", L"figcaption", L"figure", L"footer", L"form", L"frameset", L"h1",
      L"h2", L"h3", L"h4", L"h5", L"h6", L"header", L"hr", L"html", L"li", L"main", L"nav", L"ol",
      L"p", L"pre", L"section", L"table", L"tbody", L"td", L"tfoot", L"th", L"thead", L"tr", L"ul"};
  for (auto block : kBlocks)
    if (tag == block) return true;
  return false;
}

bool IsHidden(std::wstring_view tag) {
  return tag == L"head" || tag == L"script" || tag == L"style" || tag == L"title" || tag == L"template" ||
         tag == L"noscript" || tag == L"select" || tag == L"textarea" || tag == L"option";
}

bool IsUnder(const PageNode& node, std::wstring_view tag) {
  for (const PageNode* p = node.parent; p; p = p->parent)
    if (p->IsElement(tag)) return true;
  return false;
}

}  // namespace

const std::wstring_view* PageNode::Attribute(std::wstring_view name) const {
  for (const auto& [key, value] : attributes)
    if (EqualsNoCase(key, name)) return &value;
  return nullptr;
}

std::wstring PageNode::AttributeOr(std::wstring_view name, std::wstring_view fallback) const {
  const std::wstring_view* value = Attribute(name);
  return std::wstring(value ? *value : fallback);
}

// The wide name of a known tag, converted once per tag rather than once per element.
std::wstring_view TagName(GumboTag tag) {
  static const std::vector<std::wstring> names = [] {
    std::vector<std::wstring> all;
    for (int t = 0; t < GUMBO_TAG_LAST; ++t) all.push_back(FromUtf8(gumbo_normalized_tagname(static_cast<GumboTag>(t))));
    return all;
  }();
  return tag < GUMBO_TAG_LAST ? std::wstring_view(names[tag]) : std::wstring_view();
}

// Copies gumbo's trees into the document, iteratively, in document order.
class GumboTreeCopier {
 public:
  explicit GumboTreeCopier(PageDocument& document) : document_(document) {}

  // Copies the tree of a whole page.
  void CopyPage(const GumboOutput& output) {
    StartDocument(*output.document);
    Run();
  }

 private:
  using Attribute = std::pair<std::wstring_view, std::wstring_view>;

  void StartDocument(const GumboNode& gumboRoot) {
    document_.root_ = &document_.NewNode();
    document_.root_->tag = L"#document";
    ReserveChildren(*document_.root_, gumboRoot.v.document.children.length);
    PushChildren(gumboRoot.v.document.children, document_.root_);
  }

  // Room for `count` children of a new node; comments are left out, so fewer may be used.
  void ReserveChildren(PageNode& node, size_t count) {
    node.children = std::span<PageNode*>(document_.storage_.AllocateArray<PageNode*>(count), 0);
  }

  void PushChildren(const GumboVector& children, PageNode* parent) {
    for (unsigned i = children.length; i-- > 0;) pending_.emplace_back(static_cast<const GumboNode*>(children.data[i]), parent);
  }

  static void Adopt(PageNode& node, PageNode* parent) {
    node.parent = parent;
    parent->children = std::span<PageNode*>(parent->children.data(), parent->children.size() + 1);
    parent->children.back() = &node;
  }

  std::span<const Attribute> KeepAttributes(const GumboVector& from) {
    Attribute* attributes = document_.storage_.AllocateArray<Attribute>(from.length);
    for (unsigned i = 0; i < from.length; ++i) {
      auto* attribute = static_cast<const GumboAttribute*>(from.data[i]);
      // The parser gives attribute names in lower case already.
      ::new (&attributes[i]) Attribute(document_.Keep(attribute->name), document_.Keep(attribute->value));
    }
    return std::span<const Attribute>(attributes, from.length);
  }

  void Run() {
    while (!pending_.empty()) {
      auto [source, parent] = pending_.back();
      pending_.pop_back();
      switch (source->type) {
        case GUMBO_NODE_ELEMENT:
        case GUMBO_NODE_TEMPLATE: {
          const GumboElement& element = source->v.element;
          PageNode& node = document_.NewNode();
          if (element.tag == GUMBO_TAG_UNKNOWN) {
            GumboStringPiece original = element.original_tag;
            gumbo_tag_from_original_text(&original);
            node.tag = document_.Keep(ToUtf8(ToLower(FromUtf8(std::string_view(original.data, original.length)))));
          } else {
            node.tag = TagName(element.tag);
          }
          node.attributes = KeepAttributes(element.attributes);
          Adopt(node, parent);
          document_.AddElement(node);
          ReserveChildren(node, element.children.length);
          PushChildren(element.children, &node);
          break;
        }
        case GUMBO_NODE_TEXT:
        case GUMBO_NODE_CDATA:
        case GUMBO_NODE_WHITESPACE: {
          PageNode& node = document_.NewNode();
          node.kind = NodeKind::Text;
          node.text = document_.Keep(source->v.text.text);
          Adopt(node, parent);
          break;
        }
        default:
          break;  // comments and the document node show nothing
      }
    }
  }

  PageDocument& document_;
  std::vector<std::pair<const GumboNode*, PageNode*>> pending_;
};

PageNode& PageDocument::NewNode() { return nodes_.New(); }

std::wstring_view PageDocument::Keep(std::string_view utf8) {
  // The wide text is never longer than the bytes; the room not used goes back to the pool.
  wchar_t* start = storage_.AllocateArray<wchar_t>(utf8.size());
  size_t length = DecodeUtf8(utf8, start);
  storage_.Shrink(start, length * sizeof(wchar_t));
  return std::wstring_view(start, length);
}

CComPtr<PageDocument> PageDocument::Parse(std::string_view html, std::wstring url) {
  std::string bounded;
  std::string_view page = LimitNesting(html, bounded);
  MappedArena arena;
  GumboOutput* output = ParseInArena(page, arena);
  if (!output) return nullptr;
  CComPtr<PageDocument> document = MakeCounted<PageDocument>(std::move(url));
  // The document's storage is prepared once the parse is done, so that its helpers do not
  // compete with the parse for the processors. Most pages make a node for every few bytes,
  // with texts no longer than their bytes; every element the page writes starts at a "<", and
  // the few the parser adds fit the spare room.
  document->nodes_.Expect(page.size() / 4 + 16);
  document->storage_.Expect(page.size() * 6);
  document->elements_.reserve(static_cast<size_t>(std::count(page.begin(), page.end(), '<')) + 16);
  GumboTreeCopier(*document).CopyPage(*output);
  if (!document->root_) {
    document->root_ = &document->NewNode();
    document->root_->tag = L"#document";
  }
  document->Index();
  document->nodes_.Seal();
  document->storage_.Seal();
  return document;
}

void PageDocument::AddElement(PageNode& node) {
  // Provisional: the nearest enclosing form, which the parent, added before, already knows;
  // Index keeps it for the controls and clears it for the rest.
  node.form = node.parent->tag == L"form" ? node.parent : node.parent->form;
  elements_.push_back(&node);
  if (node.tag == L"form") {
    node.formIndex = static_cast<uint32_t>(forms_.size());
    forms_.push_back(&node);
  } else if (node.tag == L"input") {
    node.checked = node.Attribute(L"checked") != nullptr;
  } else if (node.tag == L"option") {
    node.selected = node.Attribute(L"selected") != nullptr;
  } else if (node.tag == L"frame" || node.tag == L"iframe") {
    frames_.push_back(&node);
  }
}

void PageDocument::Index() {
  std::unordered_map<std::wstring, PageNode*> formsById;
  for (PageNode* form : forms_)
    if (const std::wstring_view* id = form->Attribute(L"id")) formsById.emplace(std::wstring(*id), form);
  formControls_.resize(forms_.size());
  for (PageNode* element : elements_)
    if (element->tag == L"base")
      if (const std::wstring_view* href = element->Attribute(L"href")) {
        baseUrl_ = ResolveUrl(url_, *href);
        break;
      }
  // The parser leaves a form opened between table rows empty, its controls following it in the
  // table; it still owns them, as it would have in the browser's parser.
  auto tableOf = [](const PageNode& form) -> const PageNode* {
    const PageNode* p = form.parent;
    if (!p || !(p->tag == L"table" || p->tag == L"tbody" || p->tag == L"thead" || p->tag == L"tfoot" || p->tag == L"tr"))
      return nullptr;
    while (p && p->tag != L"table") p = p->parent;
    return p;
  };
  PageNode* tableForm = nullptr;
  const PageNode* tableOfForm = nullptr;
  for (PageNode* element : elements_) {
    if (element->tag == L"form") {
      element->form = nullptr;
      tableOfForm = tableOf(*element);
      tableForm = tableOfForm ? element : nullptr;
      continue;
    }
    if (!IsControl(*element)) {
      element->form = nullptr;
      continue;
    }
    PageNode* owner = nullptr;
    if (const std::wstring_view* formId = element->Attribute(L"form")) {
      auto found = formsById.find(std::wstring(*formId));
      if (found != formsById.end()) owner = found->second;
    }
    if (!owner) owner = element->form;
    // Bounded: a control deep below the table is not one the form was opened around.
    int levels = 0;
    if (!owner && tableForm)
      for (const PageNode* p = element->parent; p && levels < 64; p = p->parent, ++levels)
        if (p == tableOfForm) owner = tableForm;
    element->form = nullptr;
    if (!owner) continue;
    element->form = owner;
    formControls_[owner->formIndex].push_back(element);
  }
  for (PageNode* element : elements_) {
    if (element->tag != L"select") continue;
    // A drop-down list shows one option: the last one marked selected, or else the first.
    bool multiple = element->Attribute(L"multiple") != nullptr;
    std::vector<PageNode*> options = OptionsOf(*element);
    if (multiple || options.empty()) continue;
    PageNode* chosen = nullptr;
    for (PageNode* option : options)
      if (option->selected) chosen = option;
    for (PageNode* option : options) option->selected = false;
    (chosen ? chosen : options.front())->selected = true;
  }
}

const std::vector<PageNode*>& PageDocument::ControlsOf(const PageNode& form) const {
  static const std::vector<PageNode*> kNone;
  if (form.tag != L"form" || form.formIndex >= formControls_.size() || forms_[form.formIndex] != &form)
    return kNone;
  return formControls_[form.formIndex];
}

std::vector<PageNode*> PageDocument::Frames() const { return frames_; }

std::wstring PageDocument::BaseUrl() const { return baseUrl_.empty() ? url_ : baseUrl_; }

std::wstring PageDocument::ResolveReference(std::wstring_view reference) const {
  return ResolveUrl(BaseUrl(), reference);
}

std::wstring PageDocument::Title() const {
  for (PageNode* element : elements_) {
    if (element->tag != L"title") continue;
    std::wstring text;
    for (PageNode* child : element->children)
      if (child->kind == NodeKind::Text) text += child->text;
    std::wstring collapsed;
    for (wchar_t c : text) {
      if (IsWideSpace(c)) {
        if (!collapsed.empty() && collapsed.back() != L' ') collapsed += L' ';
      } else {
        collapsed += c;
      }
    }
    return Trim(collapsed);
  }
  return {};
}

std::wstring PageDocument::VisibleText(const PageNode& start) {
  std::wstring out;
  bool pendingSpace = false;
  auto lineBreak = [&] {
    pendingSpace = false;
    while (!out.empty() && out.back() == L' ') out.pop_back();
    if (!out.empty() && out.back() != L'\n') out += L'\n';
  };
  // Each entry is a node to enter, or (with `leaving`) a block to close with a line break.
  struct Step {
    const PageNode* node;
    bool leaving;
    bool inPre;  // carried down rather than looked up, so deep pages stay linear
  };
  std::vector<Step> pending{{&start, false, IsUnder(start, L"pre") || start.IsElement(L"pre")}};
  while (!pending.empty()) {
    Step step = pending.back();
    pending.pop_back();
    const PageNode& node = *step.node;
    if (step.leaving) {
      lineBreak();
      continue;
    }
    if (node.kind == NodeKind::Text) {
      if (step.inPre) {
        out += node.text;
        continue;
      }
      for (wchar_t c : node.text) {
        if (IsWideSpace(c)) {
          pendingSpace = true;
        } else {
          if (pendingSpace && !out.empty() && out.back() != L'\n') out += L' ';
          pendingSpace = false;
          out += c;
        }
      }
      continue;
    }
    if (&node != &start && IsHidden(node.tag)) continue;
    bool block = IsBlock(node.tag);
    if (block) {
      lineBreak();
      pending.push_back({&node, true, step.inPre});
    }
    bool inPre = step.inPre || node.tag == L"pre";
    for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) pending.push_back({*it, false, inPre});
  }
  while (!out.empty() && (out.back() == L'\n' || out.back() == L' ')) out.pop_back();
  return out;
}

bool PageDocument::IsControl(const PageNode& node) {
  static const std::wstring_view kControls[] = {L"input", L"select", L"textarea", L"button",
                                                L"fieldset", L"object", L"output"};
  if (node.kind != NodeKind::Element) return false;
  for (auto tag : kControls)
    if (node.tag == tag) return true;
  return false;
}

std::wstring PageDocument::InputType(const PageNode& input) {
  static const std::wstring_view kTypes[] = {
      L"text", L"password", L"checkbox", L"radio", L"hidden", L"submit", L"reset", L"button",
      L"image", L"file", L"email", L"number", L"search", L"tel", L"url", L"date", L"time",
      L"datetime-local", L"month", L"week", L"color", L"range"};
  std::wstring type = ToLower(Trim(input.AttributeOr(L"type")));
  for (auto known : kTypes)
    if (type == known) return type;
  return L"text";
}

std::vector<PageNode*> PageDocument::OptionsOf(const PageNode& select) {
  std::vector<PageNode*> options;
  std::vector<PageNode*> pending(select.children.rbegin(), select.children.rend());
  while (!pending.empty()) {
    PageNode* node = pending.back();
    pending.pop_back();
    if (node->tag == L"option") options.push_back(node);
    else if (node->tag == L"optgroup")
      for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) pending.push_back(*it);
  }
  return options;
}

std::wstring PageDocument::OptionValue(const PageNode& option) {
  if (const std::wstring_view* value = option.Attribute(L"value")) return std::wstring(*value);
  std::wstring text;
  for (PageNode* child : option.children)
    if (child->kind == NodeKind::Text) text += child->text;
  std::wstring collapsed;
  for (wchar_t c : Trim(text)) {
    if (!IsWideSpace(c)) collapsed += c;
    else if (collapsed.back() != L' ') collapsed += L' ';
  }
  return collapsed;
}

std::wstring PageDocument::ControlValue(const PageNode& control) {
  if (control.value) return *control.value;
  if (control.tag == L"select") {
    for (PageNode* option : OptionsOf(control))
      if (option->selected) return OptionValue(*option);
    return {};
  }
  if (control.tag == L"textarea") {
    std::wstring text;
    for (PageNode* child : control.children)
      if (child->kind == NodeKind::Text) text += child->text;
    return text;
  }
  if (const std::wstring_view* value = control.Attribute(L"value")) return std::wstring(*value);
  if (control.tag == L"input") {
    std::wstring type = InputType(control);
    if (type == L"checkbox" || type == L"radio") return L"on";
  }
  return {};
}

void PageDocument::SetControlValue(PageNode& control, std::wstring value) {
  if (control.tag == L"select") {
    SelectValue(control, value);
    return;
  }
  control.value = std::make_unique<std::wstring>(std::move(value));
}

bool PageDocument::SelectValue(PageNode& select, std::wstring_view value) {
  bool found = false;
  for (PageNode* option : OptionsOf(select)) {
    option->selected = !found && OptionValue(*option) == value;
    found = found || option->selected;
  }
  return found;
}

void PageDocument::SetChecked(PageNode& input, bool checked) {
  if (checked && InputType(input) == L"radio") {
    std::wstring name = input.AttributeOr(L"name");
    for (PageNode* other : elements_)
      if (other != &input && other->tag == L"input" && other->form == input.form &&
          InputType(*other) == L"radio" && other->AttributeOr(L"name") == name)
        other->checked = false;
  }
  input.checked = checked;
}
