#include "platform/ado/TextMatch.h"

#include <sqlite3.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kMaxPatternBytes = 50000;  // the engine's own limit for like patterns

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// Reads one UTF-8 character at `pos` and advances past it.
char32_t NextChar(std::string_view s, size_t& pos) {
  unsigned char b = static_cast<unsigned char>(s[pos++]);
  if (b < 0xC0) return b;
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
  char32_t c = b & (0x3F >> extra);
  while (extra-- > 0 && pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80)
    c = (c << 6) | (static_cast<unsigned char>(s[pos++]) & 0x3F);
  return c;
}

char32_t Fold(char32_t c) { return c < 0x80 ? FoldAscii(static_cast<unsigned char>(c)) : c; }

// A word to find without regard to ASCII case, folded to lower case once. The search looks for
// the word's first two bytes sixteen positions at a time and checks the rest where they occur.
// Both texts are UTF-8; only ASCII bytes fold and they never occur inside a multi-byte
// character, so a byte search is exact.
class FoldedWord {
 public:
  explicit FoldedWord(std::string_view word) {
    folded_.reserve(word.size());
    for (char c : word) folded_ += static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
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

  bool FoundIn(std::string_view hay) const {
    const size_t m = folded_.size();
    const size_t n = hay.size();
    if (m == 0) return true;
    if (m > n) return false;
    const auto* h = reinterpret_cast<const unsigned char*>(hay.data());
    size_t i = 0;
#if defined(__SSE2__)
    // Candidates are where the word's first, second and last bytes all stand, sixteen
    // positions at a time; the whole word is compared only there.
    if (m >= 2 && m + 15 <= n) {
      const size_t lastBlock = n - m - 15;  // the final block overlaps the one before it
      for (;; i += 16) {
        if (i > lastBlock) i = lastBlock;
        __m128i hits = _mm_and_si128(Equal(h + i, 0), Equal(h + i + 1, 1));
        hits = _mm_and_si128(hits, Equal(h + i + m - 1, 2));
        for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(hits)); bits; bits &= bits - 1)
          if (MatchesAt(h + i + static_cast<size_t>(__builtin_ctz(bits)))) return true;
        if (i == lastBlock) return false;
      }
    }
#endif
    for (; i + m <= n; ++i)
      if (MatchesAt(h + i)) return true;
    return false;
  }

 private:
#if defined(__SSE2__)
  // Which of the sixteen bytes at `p`, folded, equal probe byte `k` of the word.
  __m128i Equal(const unsigned char* p, int k) const {
    return _mm_cmpeq_epi8(_mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), fold_[k]), want_[k]);
  }
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

// The inner word of "%word%" when the pattern has that shape and no other wild card.
bool IsContainsPattern(std::string_view pattern, char32_t escape, std::string_view& word) {
  if (pattern.size() < 2 || pattern.front() != '%' || pattern.back() != '%') return false;
  std::string_view inner = pattern.substr(1, pattern.size() - 2);
  for (char c : inner) {
    if (c == '%' || c == '_') return false;
    if (escape && static_cast<char32_t>(static_cast<unsigned char>(c)) == escape) return false;
  }
  word = inner;
  return true;
}

// A "%word%" pattern is worked out once per statement and kept by the engine with the
// constant pattern argument.
void DeleteFoldedWord(void* p) { delete static_cast<FoldedWord*>(p); }

void LikeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
  if (argc == 2) {
    if (auto* cached = static_cast<FoldedWord*>(sqlite3_get_auxdata(context, 0))) {
      const unsigned char* text = sqlite3_value_text(argv[1]);
      if (!text) return;
      sqlite3_result_int(context, cached->FoundIn(std::string_view(reinterpret_cast<const char*>(text),
                                                                   static_cast<size_t>(sqlite3_value_bytes(argv[1])))));
      return;
    }
  }
  const unsigned char* pattern = sqlite3_value_text(argv[0]);
  int patternBytes = sqlite3_value_bytes(argv[0]);
  if (patternBytes > kMaxPatternBytes) {
    sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
    return;
  }
  const unsigned char* text = sqlite3_value_text(argv[1]);
  int textBytes = sqlite3_value_bytes(argv[1]);
  if (!pattern || !text) return;  // NULL in, NULL out
  char32_t escape = 0;
  if (argc == 3) {
    const unsigned char* esc = sqlite3_value_text(argv[2]);
    if (!esc) return;
    std::string_view e(reinterpret_cast<const char*>(esc), static_cast<size_t>(sqlite3_value_bytes(argv[2])));
    size_t pos = 0;
    if (e.empty() || (escape = NextChar(e, pos), pos != e.size())) {
      sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
      return;
    }
  }
  const std::string_view patternText(reinterpret_cast<const char*>(pattern), static_cast<size_t>(patternBytes));
  const std::string_view textView(reinterpret_cast<const char*>(text), static_cast<size_t>(textBytes));
  std::string_view word;
  if (argc == 2 && IsContainsPattern(patternText, 0, word)) {
    auto compiled = std::make_unique<FoldedWord>(word);
    const bool found = compiled->FoundIn(textView);
    // The engine keeps it for the statement's next rows, or deletes it at once.
    sqlite3_set_auxdata(context, 0, compiled.release(), DeleteFoldedWord);
    sqlite3_result_int(context, found);
    return;
  }
  sqlite3_result_int(context, LikeMatch(patternText, textView, escape));
}

}  // namespace

bool LikeMatch(std::string_view pattern, std::string_view text, char32_t escape) {
  std::string_view word;
  if (IsContainsPattern(pattern, escape, word)) return FoldedWord(word).FoundIn(text);

  // General matcher: walk both texts; on a mismatch go back to the last "%" and let it take one
  // more character. Linear in the common case, never worse than pattern times text.
  size_t p = 0, t = 0;
  size_t starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size()) {
      size_t next = p;
      char32_t pc = NextChar(pattern, next);
      if (pc == U'%' ) {
        while (next < pattern.size() && pattern[next] == '%') ++next;
        starP = next;
        starT = t;
        p = next;
        continue;
      }
      bool literal = false;
      if (escape && pc == escape && next < pattern.size()) {
        pc = NextChar(pattern, next);
        literal = true;
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
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

void RegisterTextMatch(sqlite3* db) {
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  sqlite3_create_function(db, "like", 2, flags, nullptr, LikeFunction, nullptr, nullptr);
  sqlite3_create_function(db, "like", 3, flags, nullptr, LikeFunction, nullptr, nullptr);
}
