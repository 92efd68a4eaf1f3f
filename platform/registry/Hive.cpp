#include "platform/registry/Hive.h"

#include <cwchar>

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

std::optional<Hive> Hive::Parse(std::string_view utf8) {
  std::wstring text = FromUtf8(utf8);
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  Hive hive;
  HiveKey* current = nullptr;
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
      hive.Create(path);
      current = hive.Find(path);
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
    if (HiveValue* existing = current->FindValue(value.name))
      *existing = value;
    else
      current->values.push_back(value);
  }
  // Every hive this registry writes starts with its header; a file without one (empty, cut short
  // before it, or not text at all) is no hive, and must not be taken for an empty one that the
  // next change would write over.
  if (!sawHeader) return std::nullopt;
  return hive;
}

std::string Hive::Serialize() const {
  std::wstring out = L"REGEDIT4\n";
  for (const auto& [folded, key] : keys_) {
    if (key.path.empty() && key.values.empty()) continue;
    out += L"\n[" + key.path + L"]\n";
    for (const auto& v : key.values) {
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
  return ToUtf8(out);
}

HiveKey* Hive::Find(std::wstring_view path) {
  std::wstring clean = CleanPath(path);
  auto it = keys_.find(Fold(clean));
  if (it != keys_.end()) return &it->second;
  if (clean.empty()) {
    auto& root = keys_[L""];
    return &root;
  }
  return nullptr;
}

bool Hive::Create(std::wstring_view path) {
  std::wstring clean = CleanPath(path);
  bool created = false;
  size_t pos = 0;
  while (true) {
    size_t next = clean.find(L'\\', pos);
    std::wstring prefix = clean.substr(0, next);
    std::wstring folded = Fold(prefix);
    if (!keys_.count(folded)) {
      keys_[folded].path = prefix;
      created = true;
    }
    if (next == std::wstring::npos) break;
    pos = next + 1;
  }
  return created;
}

void Hive::RemoveTree(std::wstring_view path) {
  std::wstring folded = Fold(CleanPath(path));
  std::wstring prefix = folded + L"\\";
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (it->first == folded || it->first.rfind(prefix, 0) == 0)
      it = keys_.erase(it);
    else
      ++it;
  }
}

bool Hive::HasSubkeys(std::wstring_view path) const { return !Subkeys(path).empty(); }

std::vector<std::wstring> Hive::Subkeys(std::wstring_view path) const {
  std::wstring folded = Fold(CleanPath(path));
  std::wstring prefix = folded.empty() ? L"" : folded + L"\\";
  std::vector<std::wstring> names;
  for (const auto& [k, key] : keys_) {
    if (k.empty() || k.size() <= prefix.size() || k.rfind(prefix, 0) != 0) continue;
    if (k.find(L'\\', prefix.size()) != std::wstring::npos) continue;
    names.push_back(key.path.substr(prefix.size()));
  }
  return names;
}
