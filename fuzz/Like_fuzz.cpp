// The search's like against the database engine's own: the same pattern and text, with and
// without an escape character, must match under both or under neither. The project's like runs
// as the matcher itself and as the SQL function a connection uses, on two rows so that the second
// takes the worked-out "%word%" the first leaves; the engine's own runs on a connection without it,
// on the pattern and text case-folded as the project's like compares them (the engine's own folds
// ASCII letters only).
#include <sqlite3.h>

#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz/FuzzSupport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/TextMatch.h"
#include "platform/text/WideText.h"

namespace {

// An outcome of `text LIKE pattern [ESCAPE escape]`: 1 or 0, -1 for NULL, -2 for an error.
struct LikeQueries {
  ado::SqliteHandle db;
  ado::StatementHandle plain, escaped;

  explicit LikeQueries(bool projectLike) {
    sqlite3* raw = nullptr;
    FUZZ_CHECK(sqlite3_open(":memory:", &raw) == SQLITE_OK, "cannot open an in-memory database");
    db.reset(raw);
    if (projectLike) RegisterTextMatch(db.get());
    // Two rows, so that the second is matched with what the first worked out for the pattern.
    plain = Prepare("SELECT x LIKE ?1 FROM (SELECT ?2 AS x UNION ALL SELECT ?2)");
    escaped = Prepare("SELECT x LIKE ?1 ESCAPE ?3 FROM (SELECT ?2 AS x UNION ALL SELECT ?2)");
  }

  ado::StatementHandle Prepare(const char* sql) {
    sqlite3_stmt* raw = nullptr;
    FUZZ_CHECK(sqlite3_prepare_v2(db.get(), sql, -1, &raw, nullptr) == SQLITE_OK, "cannot prepare the query");
    return ado::StatementHandle(raw);
  }

  int Run(std::string_view pattern, std::string_view text, const std::string* escape) {
    sqlite3_stmt* stmt = escape ? escaped.get() : plain.get();
    sqlite3_reset(stmt);
    sqlite3_bind_text(stmt, 1, pattern.data(), static_cast<int>(pattern.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    if (escape) sqlite3_bind_text(stmt, 3, escape->data(), static_cast<int>(escape->size()), SQLITE_TRANSIENT);
    const int first = Step(stmt);
    const int second = first == -2 ? -2 : Step(stmt);
    sqlite3_reset(stmt);
    FUZZ_CHECK(first == second, "the second row of the same text matched otherwise");
    return first;
  }

  static int Step(sqlite3_stmt* stmt) {
    if (sqlite3_step(stmt) != SQLITE_ROW) return -2;
    return sqlite3_column_type(stmt, 0) == SQLITE_NULL ? -1 : sqlite3_column_int(stmt, 0);
  }
};

// The escape characters worth trying: the usual ones, the wild cards themselves, letters whose
// case folds, and characters beyond ASCII.
const char* const kEscapes[] = {"\\",         "!", "%", "_", "z", "Z", "a", "k", "\xC3\xA9", "\xC3\x9C", "\xE2\x84\xAA",
                                "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "'"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static LikeQueries engine(false);
  static LikeQueries project(true);
  FuzzedDataProvider input(data, size);
  const uint8_t choice = input.ConsumeIntegral<uint8_t>();
  std::string escape;
  const std::string* escapeUsed = nullptr;
  constexpr size_t kEscapeCount = std::size(kEscapes);
  if (choice % 4 == 1) {
    escape = kEscapes[(choice / 4) % kEscapeCount];
    escapeUsed = &escape;
  } else if (choice % 4 == 2) {
    escape = input.ConsumeBytesAsString(1 + (choice / 4) % 4);
    escapeUsed = &escape;
  }
  const std::string pattern = input.ConsumeRandomLengthString(512);
  const std::string text = input.ConsumeRemainingBytesAsString();

  const int expected =
      engine.Run(FoldedLikePattern(pattern, escapeUsed ? escape : std::string()), FoldedLikeText(text), escapeUsed);
  const int got = project.Run(pattern, text, escapeUsed);
  if (got != expected)
    FuzzFailure("like differs from the engine's: engine " + std::to_string(expected) + ", project " + std::to_string(got));
  // The matcher called directly, where the escape is one well-formed character that the engine
  // reads as itself (it reads the noncharacters U+FFFE and U+FFFF as U+FFFD).
  const std::wstring wideEscape = FromUtf8(escape);
  const bool plainEscape = wideEscape.size() == 1 && ToUtf8(wideEscape) == escape && (wideEscape[0] | 1) != 0xFFFF;
  if (expected >= 0 && (!escapeUsed || plainEscape)) {
    const char32_t escapeChar = escapeUsed ? static_cast<char32_t>(wideEscape[0]) : 0;
    FUZZ_CHECK(LikeMatch(pattern, text, escapeChar) == (expected == 1), "the matcher differs from the engine's like");
  }
  return 0;
}
