#include "platform/ado/TextMatch.h"

#include <sqlite3.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "platform/text/CaseFold.h"

namespace {

constexpr int kMaxPatternBytes = 50000;  // the engine's own limit for like patterns

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Reads one character at `pos` and advances past it, as the engine reads UTF-8: a lead byte takes
// every continuation byte that follows it, and a sequence that gives an ASCII value, a surrogate,
// U+FFFE or U+FFFF reads as U+FFFD. Malformed text so matches exactly as under the engine's like.
char32_t NextChar(std::string_view s, size_t& pos) {
  unsigned char b = static_cast<unsigned char>(s[pos++]);
  if (b < 0xC0) return b;
  char32_t c = b < 0xE0 ? b - 0xC0u : b < 0xF0 ? b - 0xE0u : b < 0xF8 ? b - 0xF0u : b < 0xFC ? b - 0xF8u : b < 0xFE ? b - 0xFCu : 0;
  while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80)
    c = (c << 6) + (static_cast<unsigned char>(s[pos++]) & 0x3F);
  if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE) c = 0xFFFD;
  return c;
}

// Writes one character as NextChar reads it back, whatever its value: the usual UTF-8 forms up to
// six bytes, and beyond 31 bits a lead byte 0xFE with six continuation bytes. Every lead byte
// gives one length, so equal byte runs that start at a lead byte are equal characters.
void AppendChar(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
    return;
  }
  int tail = c < 0x800 ? 1 : c < 0x10000 ? 2 : c < 0x200000 ? 3 : c < 0x4000000 ? 4 : c < 0x80000000 ? 5 : 6;
  static constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
  out += static_cast<char>(kLead[tail] | (tail < 6 ? (c >> (6 * tail)) : 0));
  while (tail-- > 0) out += static_cast<char>(0x80 | ((c >> (6 * tail)) & 0x3F));
}

char32_t Fold(char32_t c) { return c < 0x80 ? FoldAscii(static_cast<unsigned char>(c)) : FoldCase(c); }

// `s` with every character read as the engine reads it and case-folded, written to `out`. Two
// texts compare as the matcher compares them character by character exactly when their folded
// forms are equal byte for byte.
void AppendFolded(std::string& out, std::string_view s) {
  for (size_t pos = 0; pos < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[pos]);
    if (b < 0x80) {
      out += static_cast<char>(FoldAscii(b));
      ++pos;
    } else {
      AppendChar(out, Fold(NextChar(s, pos)));
    }
  }
}

bool IsAscii(std::string_view s) {
  unsigned char any = 0;
  for (char c : s) any |= static_cast<unsigned char>(c);
  return any < 0x80;
}

// A word to find without regard to case, folded once. The search looks for the word's first two
// bytes sixteen positions at a time and checks the rest where they occur. Bytes are compared with
// ASCII letters folded: an ASCII byte never occurs inside a multi-byte character, so on a text
// that is either raw UTF-8 (for a word of ASCII) or folded (AppendFolded) a byte match is a match
// of whole characters.
class FoldedWord {
 public:
  explicit FoldedWord(std::string folded) : folded_(std::move(folded)) {
#if defined(__SSE2__)
    if (folded_.size() >= 2) {
      // Setting bit 0x20 folds a letter's two cases together; for other bytes the mask is 0.
      const char probe[3] = {folded_[0], folded_[1], folded_.back()};
      for (int k = 0; k < 3; ++k) {
        want_[k] = _mm_set1_epi8(probe[k]);
        fold_[k] = _mm_set1_epi8(static_cast<char>((probe[k] >= 'a' && probe[k] <= 'z') ? 0x20 : 0));
      }
    }
#endif
  }

  const std::string& Text() const { return folded_; }

  // `beyondAscii`, when given and the word is not found, tells whether the text has a byte beyond
  // ASCII: found out on the way, so that a text of ASCII alone needs no second look.
  bool FoundIn(std::string_view hay, bool* beyondAscii = nullptr) const {
    const size_t m = folded_.size();
    const size_t n = hay.size();
    if (m == 0) return true;
    if (m > n) return false;  // fewer characters than the word, however they fold
    const auto* h = reinterpret_cast<const unsigned char*>(hay.data());
    size_t i = 0;
#if defined(__SSE2__)
    // Candidates are where the word's first, second and last bytes all stand, sixteen
    // positions at a time; the whole word is compared only there.
    if (m >= 2 && m + 15 <= n) {
      const size_t lastBlock = n - m - 15;  // the final block overlaps the one before it
      __m128i seen = _mm_setzero_si128();   // the blocks read at the first and last byte, or-ed
      for (;; i += 16) {
        if (i > lastBlock) i = lastBlock;
        const __m128i first = Load(h + i);
        const __m128i last = Load(h + i + m - 1);
        seen = _mm_or_si128(seen, _mm_or_si128(first, last));
        __m128i hits = _mm_and_si128(Equal(first, 0), Equal(Load(h + i + 1), 1));
        hits = _mm_and_si128(hits, Equal(last, 2));
        for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hits)); bits; bits &= bits - 1)
          if (MatchesAt(h + i + static_cast<size_t>(__builtin_ctz(bits)))) return true;
        if (i == lastBlock) break;
      }
      if (beyondAscii) {
        // The first bytes' blocks cover [0, n - m + 1), the last bytes' [m - 1, n); a long word
        // in a short text leaves the bytes between unread.
        const size_t gapStart = n - m + 1;
        const size_t gapEnd = m - 1;
        *beyondAscii = _mm_movemask_epi8(seen) != 0 ||
                       (gapStart < gapEnd && !IsAscii(hay.substr(gapStart, gapEnd - gapStart)));
      }
      return false;
    }
#endif
    for (; i + m <= n; ++i)
      if (MatchesAt(h + i)) return true;
    if (beyondAscii) *beyondAscii = !IsAscii(hay);
    return false;
  }

 private:
#if defined(__SSE2__)
  static __m128i Load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  // Which of the sixteen bytes, folded, equal probe byte `k` of the word.
  __m128i Equal(__m128i bytes, int k) const { return _mm_cmpeq_epi8(_mm_or_si128(bytes, fold_[k]), want_[k]); }
#endif
  bool MatchesAt(const unsigned char* p) const {
    for (size_t k = 0; k < folded_.size(); ++k)
      if (FoldAscii(p[k]) != static_cast<unsigned char>(folded_[k])) return false;
    return true;
  }

  std::string folded_;
#if defined(__SSE2__)
  __m128i want_[3]{};
  __m128i fold_[3]{};
#endif
};

// The inner word of "%word%" when the pattern has that shape and no other wild card or escape.
bool IsContainsPattern(std::string_view pattern, char32_t escape, std::string_view& word) {
  if (escape == U'%' || pattern.size() < 2 || pattern.front() != '%' || pattern.back() != '%') return false;
  std::string_view inner = pattern.substr(1, pattern.size() - 2);
  if (inner.find_first_of("%_") != std::string_view::npos) return false;
  for (size_t pos = 0; escape && pos < inner.size();)
    if (NextChar(inner, pos) == escape) return false;
  word = inner;
  return true;
}

// The general matcher: walks both texts; on a mismatch goes back to the last "%" and lets it take
// one more character. Linear in the common case, never worse than pattern times text. An escape
// character makes the character after it literal, even "%" and "_"; an escape character that is
// itself "%" or "_" is no wild card, and one that ends the pattern lets nothing match.
bool MatchGeneral(std::string_view pattern, std::string_view text, char32_t escape) {
  size_t p = 0, t = 0;
  size_t starP = std::string_view::npos, starT = 0;
  auto isAll = [escape](char c) { return c == '%' && escape != U'%'; };
  while (t < text.size()) {
    if (p < pattern.size()) {
      size_t next = p;
      char32_t pc = NextChar(pattern, next);
      bool literal = false;
      if (escape && pc == escape) {
        if (next == pattern.size()) return false;
        pc = NextChar(pattern, next);
        literal = true;
      } else if (pc == U'%' && isAll('%')) {
        while (next < pattern.size() && isAll(pattern[next])) ++next;
        starP = next;
        starT = t;
        p = next;
        continue;
      }
      size_t tNext = t;
      char32_t tc = NextChar(text, tNext);
      if ((!literal && pc == U'_') || Fold(pc) == Fold(tc)) {
        p = next;
        t = tNext;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    NextChar(text, starT);  // the "%" takes one more character
    t = starT;
    p = starP;
  }
  while (p < pattern.size() && isAll(pattern[p])) ++p;
  return p == pattern.size();
}

// A "%word%" pattern, worked out once per statement and kept by the engine with the constant
// pattern argument. A word that folds to ASCII is searched in the text as it stands, where only the
// ASCII letters need folding, but for two characters beyond ASCII that fold to ASCII letters (the
// long s and the Kelvin sign): a text beyond ASCII is folded first when the word holds an "s" or a
// "k". A word beyond ASCII is searched in the folded text; a text of ASCII alone cannot hold it.
class ContainsMatcher {
 public:
  explicit ContainsMatcher(std::string_view word) : word_(FoldedText(word)) {
    asciiWord_ = IsAscii(word_.Text());
    needsFoldedText_ = !asciiWord_ || word_.Text().find_first_of("ks") != std::string::npos;
  }

  bool Matches(std::string_view text) const {
    if (asciiWord_) {
      bool beyondAscii = false;
      if (word_.FoundIn(text, &beyondAscii)) return true;
      if (!needsFoldedText_ || !beyondAscii) return false;
    } else if (IsAscii(text)) {
      return false;
    }
    folded_.clear();
    AppendFolded(folded_, text);
    return word_.FoundIn(folded_);
  }

 private:
  static std::string FoldedText(std::string_view s) {
    std::string folded;
    AppendFolded(folded, s);
    return folded;
  }

  FoldedWord word_;
  bool asciiWord_ = true;
  bool needsFoldedText_ = false;
  mutable std::string folded_;  // the last text folded, kept for its room
};

void DeleteContainsMatcher(void* p) { delete static_cast<ContainsMatcher*>(p); }

// The engine hands values over as C strings: a text ends at its first NUL character.
std::string_view TextOf(sqlite3_value* value) {
  const unsigned char* text = sqlite3_value_text(value);
  if (!text) return {};
  std::string_view whole(reinterpret_cast<const char*>(text), static_cast<size_t>(sqlite3_value_bytes(value)));
  return whole.substr(0, whole.find('\0'));
}

// The number of characters of `s`, counted as the engine counts them.
size_t CharacterCount(std::string_view s) {
  size_t count = 0;
  for (size_t pos = 0; pos < s.size(); ++count) NextChar(s, pos);
  return count;
}

void LikeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (argc == 2) {
    if (auto* cached = static_cast<ContainsMatcher*>(sqlite3_get_auxdata(context, 0))) {
      if (sqlite3_value_text(argv[1])) sqlite3_result_int(context, cached->Matches(TextOf(argv[1])));
      return;
    }
  }
  if (sqlite3_value_bytes(argv[0]) > kMaxPatternBytes) {
    sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
    return;
  }
  char32_t escape = 0;
  if (argc == 3) {
    if (!sqlite3_value_text(argv[2])) return;
    const std::string_view e = TextOf(argv[2]);
    if (CharacterCount(e) != 1) {
      sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
      return;
    }
    size_t pos = 0;
    escape = NextChar(e, pos);
  }
  if (!sqlite3_value_text(argv[0]) || !sqlite3_value_text(argv[1])) return;  // NULL in, NULL out
  const std::string_view patternText = TextOf(argv[0]);
  const std::string_view textView = TextOf(argv[1]);
  std::string_view word;
  if (argc == 2 && IsContainsPattern(patternText, 0, word)) {
    auto compiled = std::make_unique<ContainsMatcher>(word);
    const bool found = compiled->Matches(textView);
    // The engine keeps it for the statement's next rows, or deletes it at once.
    sqlite3_set_auxdata(context, 0, compiled.release(), DeleteContainsMatcher);
    sqlite3_result_int(context, found);
    return;
  }
  sqlite3_result_int(context, MatchGeneral(patternText, textView, escape));
}

}  // namespace

bool LikeMatch(std::string_view pattern, std::string_view text, char32_t escape) {
  pattern = pattern.substr(0, pattern.find('\0'));
  text = text.substr(0, text.find('\0'));
  std::string_view word;
  if (IsContainsPattern(pattern, escape, word)) return ContainsMatcher(word).Matches(text);
  return MatchGeneral(pattern, text, escape);
}

void RegisterTextMatch(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  sqlite3_create_function(db, "like", 2, flags, nullptr, LikeFunction, nullptr, nullptr);
  sqlite3_create_function(db, "like", 3, flags, nullptr, LikeFunction, nullptr, nullptr);
}

std::string FoldedLikeText(std::string_view text) {
  std::string folded;
  AppendFolded(folded, text.substr(0, text.find('\0')));
  return folded;
}

std::string FoldedLikePattern(std::string_view pattern, std::string_view escapeText) {
  pattern = pattern.substr(0, pattern.find('\0'));
  escapeText = escapeText.substr(0, escapeText.find('\0'));
  size_t at = 0;
  const char32_t escape = escapeText.empty() ? 0 : NextChar(escapeText, at);
  std::string folded;
  bool escaped = false;
  for (size_t pos = 0; pos < pattern.size();) {
    const char32_t c = NextChar(pattern, pos);
    const char32_t f = Fold(c);
    if (escaped) {
      escaped = false;
    } else if (escape && c == escape) {
      AppendChar(folded, c);
      escaped = true;
      continue;
    } else if (escape && f == escape) {
      AppendChar(folded, escape);  // a letter that folds to the escape character stays literal
    }
    AppendChar(folded, f);
  }
  return folded;
}
