#include "platform/registry/RegistryScript.h"

#include "platform/registry/Hive.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/WideText.h"

namespace {

using Key = RegistryScript::Key;
using KeyKind = RegistryScript::KeyKind;

struct Token {
  std::wstring text;
  bool quoted = false;
  size_t line = 1;

  bool Is(std::wstring_view word) const { return !quoted && EqualsNoCase(text, word); }
};

struct RootName {
  const wchar_t* name;
  HKEY hive;
};

const RootName* FindRoot(const Token& token) {
  static const RootName kRoots[] = {
      {L"HKCR", HKEY_CLASSES_ROOT},  {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
      {L"HKCU", HKEY_CURRENT_USER},  {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
      {L"HKLM", HKEY_LOCAL_MACHINE}, {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
  };
  for (const RootName& root : kRoots)
    if (token.Is(root.name)) return &root;
  return nullptr;
}

// Replaces %NAME% in one word. Done per word, after the words are split, so that a replacement
// holding quotes, spaces or braces stays one word.
std::wstring Replace(const std::wstring& word, size_t line, const std::vector<ScriptReplacement>& replacements) {
  std::wstring out;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] != L'%') {
      out += word[i];
      continue;
    }
    size_t end = word.find(L'%', i + 1);
    if (end == std::wstring::npos) throw RegistryScriptError(line, L"a % without its closing %");
    std::wstring_view name = std::wstring_view(word).substr(i + 1, end - i - 1);
    if (name.empty()) {
      out += L'%';
    } else {
      const ScriptReplacement* found = nullptr;
      for (const auto& replacement : replacements)
        if (EqualsNoCase(replacement.name, name)) found = &replacement;
      if (!found) throw RegistryScriptError(line, L"no value for %" + std::wstring(name) + L"%");
      out += found->value;
    }
    i = end;
  }
  return out;
}

std::vector<Token> Split(std::wstring_view text, const std::vector<ScriptReplacement>& replacements) {
  std::vector<Token> tokens;
  size_t line = 1;
  size_t i = 0;
  while (i < text.size()) {
    wchar_t c = text[i];
    if (c == L'\n') ++line;
    if (IsWideSpace(c) || c == L'\r' || c == L'\n') {
      ++i;
      continue;
    }
    Token token;
    token.line = line;
    if (c == L'\'') {
      token.quoted = true;
      for (++i;; ++i) {
        if (i >= text.size()) throw RegistryScriptError(token.line, L"a quoted text without its closing quote");
        if (text[i] == L'\'') {
          if (i + 1 < text.size() && text[i + 1] == L'\'') {
            token.text += L'\'';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        if (text[i] == L'\n') ++line;
        token.text += text[i];
      }
    } else {
      while (i < text.size() && !IsWideSpace(text[i]) && text[i] != L'\r' && text[i] != L'\n' && text[i] != L'\'')
        token.text += text[i++];
    }
    token.text = Replace(token.text, token.line, replacements);
    tokens.push_back(std::move(token));
  }
  return tokens;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  std::vector<RegistryScript::Root> Script() {
    std::vector<RegistryScript::Root> roots;
    while (pos_ < tokens_.size()) {
      const Token& token = Next(L"a root key");
      const RootName* root = FindRoot(token);
      if (!root)
        throw RegistryScriptError(token.line, L"\"" + token.text + L"\" is not a root key (HKCR, HKCU or HKLM)");
      RegistryScript::Root parsed{root->hive, {}};
      Expect(L"{");
      while (!PeekIs(L"}")) {
        if (PeekIs(L"val")) throw RegistryScriptError(Peek().line, L"a root key holds no values");
        parsed.keys.push_back(ParseKey(1));
      }
      Expect(L"}");
      roots.push_back(std::move(parsed));
    }
    return roots;
  }

 private:
  Key ParseKey(size_t depth) {
    if (depth > RegistryScript::kMaxDepth) throw RegistryScriptError(Peek().line, L"keys nested too deep");
    Key key;
    if (PeekIs(L"NoRemove")) {
      key.kind = KeyKind::NoRemove;
      ++pos_;
    } else if (PeekIs(L"ForceRemove")) {
      key.kind = KeyKind::ForceRemove;
      ++pos_;
    }
    key.name = Name(Next(L"a key name"));
    if (key.name.find(L'\\') != std::wstring::npos)
      throw RegistryScriptError(tokens_[pos_ - 1].line, L"the key name \"" + key.name + L"\" holds a backslash");
    if (depth == 1 && Hive::StartsWithHiveName(key.name))
      throw RegistryScriptError(tokens_[pos_ - 1].line, L"the key name \"" + key.name + L"\" is a root key's name");
    if (PeekIs(L"=")) {
      ++pos_;
      key.defaultValue = StringData();
    }
    if (PeekIs(L"{")) {
      ++pos_;
      while (!PeekIs(L"}")) {
        if (PeekIs(L"val")) {
          ++pos_;
          RegistryScript::Value value;
          value.name = Name(Next(L"a value name"));
          Expect(L"=");
          value.data = StringData();
          key.values.push_back(std::move(value));
        } else {
          key.subkeys.push_back(ParseKey(depth + 1));
        }
      }
      ++pos_;
    }
    return key;
  }

  // `s 'text'`
  std::wstring StringData() {
    const Token& kind = Next(L"the kind of data");
    if (!kind.Is(L"s"))
      throw RegistryScriptError(kind.line, L"\"" + kind.text + L"\" is not a kind of data this registry takes (s)");
    const Token& data = Next(L"a quoted text");
    if (!data.quoted) throw RegistryScriptError(data.line, L"the text \"" + data.text + L"\" is not quoted");
    if (data.text.size() > RegistryScript::kMaxTextLength) throw RegistryScriptError(data.line, L"a text too long");
    if (data.text.find(L'\0') != std::wstring::npos) throw RegistryScriptError(data.line, L"a text holds a NUL");
    return data.text;
  }

  std::wstring Name(const Token& token) {
    bool punctuation = !token.quoted && (token.text == L"{" || token.text == L"}" || token.text == L"=");
    if (punctuation || token.text.empty())
      throw RegistryScriptError(token.line, L"a name was expected, not \"" + token.text + L"\"");
    if (token.text.size() > RegistryScript::kMaxNameLength) throw RegistryScriptError(token.line, L"a name too long");
    if (token.text.find(L'\0') != std::wstring::npos) throw RegistryScriptError(token.line, L"a name holds a NUL");
    if (token.text.find_first_of(L"\r\n") != std::wstring::npos)
      throw RegistryScriptError(token.line, L"a name holds a line end");
    return token.text;
  }

  const Token& Peek() const {
    static const Token kEnd{L"", false, 0};
    if (pos_ < tokens_.size()) return tokens_[pos_];
    return kEnd;
  }
  bool PeekIs(std::wstring_view word) const {
    if (pos_ >= tokens_.size()) {
      // Every open block needs its closing brace, so running out while looking is an error.
      if (word == L"}") throw RegistryScriptError(LastLine(), L"the script ends inside a block");
      return false;
    }
    return tokens_[pos_].Is(word);
  }
  const Token& Next(std::wstring_view what) {
    if (pos_ >= tokens_.size())
      throw RegistryScriptError(LastLine(), L"the script ends where " + std::wstring(what) + L" was expected");
    return tokens_[pos_++];
  }
  void Expect(std::wstring_view word) {
    const Token& token = Next(L"\"" + std::wstring(word) + L"\"");
    if (!token.Is(word))
      throw RegistryScriptError(token.line,
                                L"\"" + std::wstring(word) + L"\" was expected, not \"" + token.text + L"\"");
  }
  size_t LastLine() const { return tokens_.empty() ? 1 : tokens_.back().line; }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
};

// What is already missing needs no removing.
LONG IgnoreMissing(LONG rc) { return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc; }

LONG SetString(HKEY key, const std::wstring& name, const std::wstring& data) {
  return RegSetValueExW(key, name, REG_SZ, data.c_str(), static_cast<DWORD>((data.size() + 1) * 2));
}

LONG RegisterKey(HKEY parent, const Key& key) {
  if (key.kind == KeyKind::ForceRemove)
    if (LONG rc = IgnoreMissing(RegDeleteTreeW(parent, key.name)); rc != ERROR_SUCCESS) return rc;
  RegistryKey opened;
  if (LONG rc = RegCreateKeyExW(parent, key.name, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, opened.Out(), nullptr);
      rc != ERROR_SUCCESS)
    return rc;
  if (key.defaultValue)
    if (LONG rc = SetString(opened.get(), L"", *key.defaultValue); rc != ERROR_SUCCESS) return rc;
  for (const auto& value : key.values)
    if (LONG rc = SetString(opened.get(), value.name, value.data); rc != ERROR_SUCCESS) return rc;
  for (const auto& subkey : key.subkeys)
    if (LONG rc = RegisterKey(opened.get(), subkey); rc != ERROR_SUCCESS) return rc;
  return ERROR_SUCCESS;
}

LONG RemoveKey(HKEY parent, const Key& key) {
  if (key.kind == KeyKind::ForceRemove) return IgnoreMissing(RegDeleteTreeW(parent, key.name));
  RegistryKey opened;
  if (LONG rc = RegOpenKeyExW(parent, key.name, 0, KEY_ALL_ACCESS, opened.Out()); rc != ERROR_SUCCESS)
    return IgnoreMissing(rc);
  for (const auto& value : key.values)
    if (LONG rc = IgnoreMissing(RegDeleteValueW(opened.get(), value.name)); rc != ERROR_SUCCESS) return rc;
  for (const auto& subkey : key.subkeys)
    if (LONG rc = RemoveKey(opened.get(), subkey); rc != ERROR_SUCCESS) return rc;
  if (key.kind == KeyKind::NoRemove) return ERROR_SUCCESS;
  std::wstring foreign;
  if (RegEnumKeyW(opened.get(), 0, foreign) == ERROR_SUCCESS) return ERROR_SUCCESS;
  opened.Reset();
  return IgnoreMissing(RegDeleteKeyW(parent, key.name));
}

}  // namespace

RegistryScriptError::RegistryScriptError(size_t line, std::wstring problem)
    : std::runtime_error(ToUtf8(L"line " + std::to_wstring(line) + L": " + problem)),
      line_(line),
      message_(L"line " + std::to_wstring(line) + L": " + problem) {}

RegistryScript RegistryScript::Parse(std::wstring_view text, const std::vector<ScriptReplacement>& replacements) {
  if (text.size() > kMaxScriptLength)
    throw RegistryScriptError(1, L"the script is longer than " + std::to_wstring(kMaxScriptLength) + L" characters");
  if (!text.empty() && text[0] == 0xFEFF) text.remove_prefix(1);
  RegistryScript script;
  script.roots_ = Parser(Split(text, replacements)).Script();
  return script;
}

LONG RegistryScript::Apply(ScriptMode mode) const {
  for (const Root& root : roots_) {
    for (const Key& key : root.keys) {
      LONG rc = mode == ScriptMode::Register ? RegisterKey(root.hive, key) : RemoveKey(root.hive, key);
      if (rc != ERROR_SUCCESS) return rc;
    }
  }
  return ERROR_SUCCESS;
}
