#include "platform/registry/Hive.h"

#include <cwchar>
#include <unordered_map>

#include "platform/registry/Registry.h"
#include "platform/text/WideText.h"

HiveValue* HiveKey::FindValue(std::wstring_view name) {
  for (auto& v : values)
    if (EqualsNoCase(v.name, name)) return &v;
  return nullptr;
}

std::wstring Hive::Fold(std::wstring_view text) { return ToLower(text); }

std::wstring Hive::CleanPath(std::wstring_view path) {
  std::wstring out;
  for (wchar_t c : path) {
    if (c == L'\\') {
      if (!out.empty() && out.back() != L'\\') out += c;
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == L'\\') out.pop_back();
  return out;
}

namespace {

const std::wstring kHiveNames[] = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE"};

// Files exported elsewhere name the hive in every key path; such a prefix is dropped, from the
// cleaned path and as often as it stands there, so that no key read starts with a hive's name
// and a hive written and read again keeps its keys where they were.
std::wstring KeyPathOf(std::wstring_view written) {
  const std::wstring path = Hive::CleanPath(written);
  std::wstring_view rest = path;  // clean: no leading, trailing or doubled separators
  while (Hive::StartsWithHiveName(rest)) {
    const size_t separator = rest.find(L'\\');
    rest.remove_prefix(separator == std::wstring_view::npos ? rest.size() : separator + 1);
  }
  return std::wstring(rest);
}

// Calls `visit` with each name of a clean path, from the top.
template <class Visit>
void ForEachName(std::wstring_view cleanPath, Visit visit) {
  while (!cleanPath.empty()) {
    const size_t separator = cleanPath.find(L'\\');
    visit(cleanPath.substr(0, separator));
    if (separator == std::wstring_view::npos) break;
    cleanPath.remove_prefix(separator + 1);
  }
}

// Reads a quoted text starting at `pos` (at the opening quote). On success `pos` is just past
// the closing quote.
std::optional<std::wstring> ReadQuoted(std::wstring_view line, size_t& pos) {
  if (pos >= line.size() || line[pos] != L'"') return std::nullopt;
  std::wstring out;
  for (size_t i = pos + 1; i < line.size(); ++i) {
    wchar_t c = line[i];
    if (c == L'"') {
      pos = i + 1;
      return out;
    }
    if (c == L'\\') {
      if (++i >= line.size()) return std::nullopt;
      wchar_t e = line[i];
      out += e == L'n' ? L'\n' : e == L'r' ? L'\r' : e;
    } else {
      out += c;
    }
  }
  return std::nullopt;
}

std::wstring Quote(std::wstring_view text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case L'"': out += L"\\\""; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      default: out += c;
    }
  }
  return out + L"\"";
}

}  // namespace

bool Hive::StartsWithHiveName(std::wstring_view path) {
  const std::wstring_view first = path.substr(0, path.find(L'\\'));
  for (const auto& hive : kHiveNames)
    if (EqualsNoCase(first, hive)) return true;
  return false;
}

size_t Hive::Depth(std::wstring_view cleanPath) {
  if (cleanPath.empty()) return 0;
  size_t depth = 1;
  for (wchar_t c : cleanPath) depth += c == L'\\';
  return depth;
}

std::optional<Hive> Hive::Parse(std::string_view utf8) {
  std::wstring text = FromUtf8(utf8);
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  Hive hive;
  HiveKey* current = nullptr;
  // Where each key's values stand, by folded name, so that a value named again replaces the
  // first without a search through all the key's values.
  std::unordered_map<const HiveKey*, std::unordered_map<std::wstring, size_t>> valueIndex;
  bool sawHeader = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    // Carriage returns at a line's end are part of its line end, however many there are: data
    // kept as written would otherwise change each time the file is written again.
    while (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!sawHeader) {
      if (Trim(line).empty()) continue;
      if (line != L"REGEDIT4" && line != L"Windows Registry Editor Version 5.00") return std::nullopt;
      sawHeader = true;
      continue;
    }
    if (Trim(line).empty() || line[0] == L';') continue;
    if (line[0] == L'[') {
      if (line.back() != L']') return std::nullopt;
      std::wstring path = KeyPathOf(std::wstring_view(line).substr(1, line.size() - 2));
      if (Depth(path) > kMaxKeyDepth) return std::nullopt;
      bool created = false;
      current = &hive.MakeNode(path, created).key;
      continue;
    }
    if (!current) return std::nullopt;
    HiveValue value;
    size_t pos = 0;
    if (line[0] == L'@') {
      pos = 1;
    } else {
      auto name = ReadQuoted(line, pos);
      if (!name) return std::nullopt;
      value.name = *name;
    }
    if (pos >= line.size() || line[pos] != L'=') return std::nullopt;
    ++pos;
    if (pos < line.size() && line[pos] == L'"') {
      auto data = ReadQuoted(line, pos);
      if (!data || pos != line.size()) return std::nullopt;
      value.type = REG_SZ;
      value.data = *data;
    } else if (line.compare(pos, 6, L"dword:") == 0) {
      std::wstring hex = line.substr(pos + 6);
      if (hex.empty() || hex.size() > 8 || hex.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
        return std::nullopt;
      value.type = REG_DWORD;
      value.data = std::to_wstring(std::wcstoul(hex.c_str(), nullptr, 16));
    } else {
      // Other kinds of data (hex:...) are kept as written, so a rewrite never loses them.
      value.type = REG_BINARY;
      value.data = line.substr(pos);
    }
    auto [at, added] = valueIndex[current].try_emplace(Fold(value.name), current->values.size());
    if (added)
      current->values.push_back(std::move(value));
    else
      current->values[at->second] = std::move(value);
  }
  // Every hive this registry writes starts with its header; a file without one (empty, cut short
  // before it, or not text at all) is no hive, and must not be taken for an empty one that the
  // next change would write over.
  if (!sawHeader) return std::nullopt;
  return hive;
}

void Hive::Write(const Node& node, std::wstring& path, std::wstring& out) {
  if (!path.empty() || !node.key.values.empty()) {
    out += L"\n[" + path + L"]\n";
    for (const auto& v : node.key.values) {
      out += v.name.empty() ? std::wstring(L"@") : Quote(v.name);
      out += L"=";
      if (v.type == REG_SZ) {
        out += Quote(v.data);
      } else if (v.type == REG_DWORD) {
        wchar_t buf[16];
        std::swprintf(buf, 16, L"dword:%08lx", std::wcstoul(v.data.c_str(), nullptr, 10));
        out += buf;
      } else {
        out += v.data;
      }
      out += L"\n";
    }
  }
  // Parents before children; the depth is bounded by kMaxKeyDepth.
  const size_t length = path.size();
  for (const auto& [folded, child] : node.children) {
    if (length != 0) path += L'\\';
    path += child->key.name;
    Write(*child, path, out);
    path.resize(length);
  }
}

std::string Hive::Serialize() const {
  std::wstring out = L"REGEDIT4\n";
  std::wstring path;
  Write(root_, path, out);
  return ToUtf8(out);
}

const Hive::Node* Hive::FindNode(std::wstring_view path) const {
  const Node* node = &root_;
  ForEachName(CleanPath(path), [&](std::wstring_view name) {
    if (!node) return;
    auto it = node->children.find(Fold(name));
    node = it == node->children.end() ? nullptr : it->second.get();
  });
  return node;
}

Hive::Node* Hive::FindNode(std::wstring_view path) {
  return const_cast<Node*>(static_cast<const Hive*>(this)->FindNode(path));
}

HiveKey* Hive::Find(std::wstring_view path) {
  Node* node = FindNode(path);
  return node ? &node->key : nullptr;
}

Hive::Node& Hive::MakeNode(std::wstring_view cleanPath, bool& created) {
  Node* node = &root_;
  ForEachName(cleanPath, [&](std::wstring_view name) {
    std::unique_ptr<Node>& child = node->children[Fold(name)];
    if (!child) {
      child = std::make_unique<Node>();
      child->key.name = name;
      created = true;
    }
    node = child.get();
  });
  return *node;
}

bool Hive::Create(std::wstring_view path) {
  bool created = false;
  MakeNode(CleanPath(path), created);
  return created;
}

void Hive::RemoveTree(std::wstring_view path) {
  const std::wstring clean = CleanPath(path);
  if (clean.empty()) {
    // The root itself stays; only what it holds goes.
    root_.key.values.clear();
    return;
  }
  const size_t separator = clean.rfind(L'\\');
  Node* parent = separator == std::wstring::npos ? &root_ : FindNode(std::wstring_view(clean).substr(0, separator));
  if (parent) parent->children.erase(Fold(separator == std::wstring::npos ? clean : clean.substr(separator + 1)));
}

bool Hive::HasSubkeys(std::wstring_view path) const {
  const Node* node = FindNode(path);
  return node && !node->children.empty();
}

std::vector<std::wstring> Hive::Subkeys(std::wstring_view path) const {
  std::vector<std::wstring> names;
  if (const Node* node = FindNode(path))
    for (const auto& [folded, child] : node->children) names.push_back(child->key.name);
  return names;
}
