#include "jdbc/sql_literals.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace qz::jdbc {

namespace {

// Statements that take no parameters, by their first keyword: DDL, session and transaction
// control, maintenance. A literal in one of them stays inline, and so does every literal after
// it in the same text (a routine body may hold further ";"-separated statements). Anything
// not listed (SELECT, WITH, VALUES, INSERT, UPDATE, DELETE, MERGE, CALL, TABLE, unknown words)
// binds its plain literals. EXPLAIN is listed because few servers take parameters there.
constexpr std::string_view kNoParameterStatements[] = {
    "ABORT",   "ALTER",    "ANALYSE",   "ANALYZE",  "ATTACH",  "BEGIN",      "CHECKPOINT",
    "CLUSTER", "COMMENT",  "COMMIT",    "COPY",     "CREATE",  "DEALLOCATE", "DECLARE",
    "DETACH",  "DISCARD",  "DO",        "DROP",     "END",     "EXECUTE",    "EXPLAIN",
    "GRANT",   "IMPORT",   "LISTEN",    "LOAD",     "LOCK",    "NOTIFY",     "PRAGMA",
    "PREPARE", "REASSIGN", "REFRESH",   "REINDEX",  "RELEASE", "RENAME",     "RESET",
    "REVOKE",  "ROLLBACK", "SAVEPOINT", "SECURITY", "SET",     "SHOW",       "SHUTDOWN",
    "START",   "TRUNCATE", "UNLISTEN",  "USE",      "VACUUM",
};

// Keywords a value may follow, so a marker may stand in place of a literal after them. After any
// other word (a type name: DATE '...', jsonb '{}', "MyType" 'x'; an alias: AS 'name'), a number
// or a closing parenthesis (numeric(10,2) '1.5', TIME(3) '...', COUNT(*) 'n' as MySQL names a
// column), a literal may be something no marker can stand for: it stays inline, which is always
// exact. AS is left out for that reason: in standard SQL a name or a type follows it.
constexpr std::string_view kValueKeywords[] = {
    "ALL",     "AND",      "ANY",  "ASYMMETRIC", "BETWEEN", "BOTH",   "BY",       "CASE",
    "DEFAULT", "DISTINCT", "DIV",  "ELSE",       "ESCAPE",  "FROM",   "GLOB",     "HAVING",
    "ILIKE",   "IN",       "IS",   "LEADING",    "LIKE",    "LIMIT",  "MATCH",    "MOD",
    "NOT",     "OFFSET",   "ON",   "OR",         "PLACING", "REGEXP", "RETURN",   "RLIKE",
    "SELECT",  "SET",      "SOME", "SYMMETRIC",  "THEN",    "TO",     "TRAILING", "VALUES",
    "WHEN",    "WHERE",    "XOR",
};

static_assert(std::is_sorted(std::begin(kNoParameterStatements), std::end(kNoParameterStatements)));
static_assert(std::is_sorted(std::begin(kValueKeywords), std::end(kValueKeywords)));

enum : unsigned char { kIdentChar = 1, kTagStart = 2, kSpace = 4 };

// Bytes by class, so that the scan asks one load per byte.
constexpr auto kClasses = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    if (letter || digit || c == '_' || c == '$' || c >= 0x80) table[c] |= kIdentChar;
    if (letter || c == '_' || c >= 0x80) table[c] |= kTagStart;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v')
      table[c] |= kSpace;
  }
  return table;
}();

bool isDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool isIdentChar(unsigned char c) {
  return kClasses[c] & kIdentChar;
}
bool isTagStart(unsigned char c) {
  return kClasses[c] & kTagStart;
}
bool isSpace(unsigned char c) {
  return kClasses[c] & kSpace;
}
char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether `word` is `upper` (upper-case ASCII) in any case.
bool sameWord(std::string_view word, std::string_view upperWord) {
  if (word.size() != upperWord.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k)
    if (upper(word[k]) != upperWord[k]) return false;
  return true;
}

// Whether `word` is one of the sorted upper-case `table`, in any case.
bool contains(const auto& table, std::string_view word) {
  char buffer[16];
  if (word.size() > sizeof buffer) return false;  // longer than any keyword
  for (std::size_t k = 0; k < word.size(); ++k) buffer[k] = upper(word[k]);
  return std::binary_search(std::begin(table), std::end(table),
                            std::string_view(buffer, word.size()));
}

enum class Kind { kWord, kNumber, kPunct, kIdentifier, kBound, kInline };

struct Token {
  Kind kind;
  std::string_view text;  // a word or number as written; a punctuation byte
  bool escapes = false;   // a literal whose continuation takes backslash escapes
};

class Splitter {
 public:
  explicit Splitter(std::string_view sql) : sql_(sql) {}

  SplitSql run() {
    while (i_ < sql_.size()) step();
    if (userMarker_ || out_.markers.empty()) {
      out_ = SplitSql();
      out_.statement.assign(sql_);
      return std::move(out_);
    }
    std::string statement;
    statement.reserve(sql_.size() + 2 * out_.markers.size());
    std::size_t copied = 0;
    for (SplitSql::Marker& m : out_.markers) {
      statement.append(sql_.substr(copied, m.original - copied));
      // "name? " would read as one word to a server that allows "$" in names.
      bool glued = !statement.empty() && isIdentChar(statement.back());
      std::string_view marker = glued ? " ? " : "? ";
      m.rewritten = statement.size();
      m.rewrittenLength = marker.size();
      statement.append(marker);
      copied = m.original + m.originalLength;
    }
    statement.append(sql_.substr(copied));
    out_.statement = std::move(statement);
    return std::move(out_);
  }

 private:
  char at(std::size_t i) const { return i < sql_.size() ? sql_[i] : '\0'; }

  void step() {
    unsigned char c = static_cast<unsigned char>(sql_[i_]);
    char next = at(i_ + 1);
    if (isSpace(c)) {
      ++i_;
    } else if (c == '-' && next == '-') {
      while (i_ < sql_.size() && sql_[i_] != '\n' && sql_[i_] != '\r') ++i_;
    } else if (c == '/' && next == '*') {
      skipBlockComment();
    } else if (c == '"' || c == '`') {
      std::string_view quote = sql_.substr(i_, 1);
      quoted(static_cast<char>(c), false, nullptr);
      push({Kind::kIdentifier, quote});
    } else if (c == '\'') {
      plainLiteral();
    } else if (c == '$' && dollarTagLength() > 0) {
      dollarQuoted();
    } else if (isIdentChar(c)) {
      word();
    } else {
      if (c == '?') userMarker_ = true;
      if (c == ';') segmentStarted_ = false;
      push({Kind::kPunct, sql_.substr(i_, 1)});
      ++i_;
    }
  }

  void skipBlockComment() {
    int depth = 0;
    while (i_ < sql_.size()) {
      if (sql_[i_] == '/' && at(i_ + 1) == '*') {
        ++depth;
        i_ += 2;
      } else if (sql_[i_] == '*' && at(i_ + 1) == '/') {
        i_ += 2;
        if (--depth == 0) return;
      } else {
        ++i_;
      }
    }
  }

  // From the opening quote at i_ to past the closing one (or the end); a doubled quote stands
  // for one, and with `escapes` a backslash takes the next byte as it is.
  void quoted(char quote, bool escapes, std::string* value) {
    ++i_;
    while (i_ < sql_.size()) {
      // The run up to the next quote (or backslash) goes in one piece.
      std::size_t run = i_;
      while (run < sql_.size() && sql_[run] != quote && !(escapes && sql_[run] == '\\')) ++run;
      if (value) value->append(sql_.substr(i_, run - i_));
      i_ = run;
      if (i_ == sql_.size()) return;
      if (sql_[i_] != quote) {  // a backslash
        std::size_t taken = i_ + 1 < sql_.size() ? 2 : 1;
        if (value) value->append(sql_.substr(i_, taken));
        i_ += taken;
      } else if (at(i_ + 1) == quote) {
        if (value) *value += quote;
        i_ += 2;
      } else {
        ++i_;
        return;
      }
    }
  }

  // The length of "$tag$" at i_, 0 when there is none.
  std::size_t dollarTagLength() const {
    std::size_t j = i_ + 1;
    if (j < sql_.size() && isTagStart(static_cast<unsigned char>(sql_[j]))) {
      while (j < sql_.size() && isIdentChar(static_cast<unsigned char>(sql_[j])) &&
             sql_[j] != '$') {
        ++j;
      }
    }
    return j < sql_.size() && sql_[j] == '$' ? j + 1 - i_ : 0;
  }

  void dollarQuoted() {
    std::size_t length = dollarTagLength();
    std::string_view tag = sql_.substr(i_, length);
    std::size_t close = sql_.find(tag, i_ + length);
    i_ = close == std::string_view::npos ? sql_.size() : close + length;
    push({Kind::kInline, "$"});
  }

  void word() {
    std::size_t begin = i_;
    while (i_ < sql_.size() && isIdentChar(static_cast<unsigned char>(sql_[i_]))) ++i_;
    if (i_ - begin == 1) {
      char letter = upper(sql_[begin]);
      bool quoteNext = at(i_) == '\'';
      if (quoteNext && (letter == 'E' || letter == 'X' || letter == 'B' || letter == 'N')) {
        prefixedLiteral(letter == 'E');
        return;
      }
      if (letter == 'U' && at(i_) == '&' && at(i_ + 1) == '\'') {
        ++i_;
        prefixedLiteral(false);
        return;
      }
    }
    push({isDigit(static_cast<unsigned char>(sql_[begin])) ? Kind::kNumber : Kind::kWord,
          sql_.substr(begin, i_ - begin)});
  }

  void prefixedLiteral(bool escapes) {
    quoted('\'', escapes, nullptr);
    push({Kind::kInline, "'", escapes});
  }

  void plainLiteral() {
    std::size_t begin = i_;
    const Token* last = count_ == 0 ? nullptr : &back(0);
    bool continues = last && (last->kind == Kind::kBound || last->kind == Kind::kInline);
    bool escapes = continues && last->escapes;
    if (continues && last->kind == Kind::kBound) {
      quoted('\'', escapes, &out_.literals.back());
      SplitSql::Marker& m = out_.markers.back();
      m.originalLength = i_ - m.original;
      return;
    }
    if (continues || inlineAll_ || !valuePosition()) {
      quoted('\'', escapes, nullptr);
      push({Kind::kInline, "'", escapes});
      return;
    }
    if (out_.markers.empty()) {
      out_.markers.reserve(4);
      out_.literals.reserve(4);
    }
    quoted('\'', false, &out_.literals.emplace_back());
    out_.markers.push_back({0, 0, begin, i_ - begin});
    push({Kind::kBound, "'"});
  }

  // The token `n` back from the last (0: the last); n < count_.
  const Token& back(std::size_t n) const { return history_[(count_ - 1 - n) % kHistory]; }

  bool wordAt(std::size_t n, std::string_view upperWord) const {
    return n < count_ && back(n).kind == Kind::kWord && sameWord(back(n).text, upperWord);
  }
  bool kindAt(std::size_t n, Kind kind, std::string_view text) const {
    return n < count_ && back(n).kind == kind && back(n).text == text;
  }

  // Whether a literal stands where a value may, so a marker can replace it: at the start, after
  // an operator or separator, or after one of kValueKeywords.
  bool valuePosition() const {
    if (count_ == 0) return true;
    if (wordAt(0, "ESCAPE") && kindAt(1, Kind::kPunct, "{")) return false;  // {escape '\'}
    const Token& t = back(0);
    if (t.kind == Kind::kPunct) return t.text != ")";
    return t.kind == Kind::kWord && contains(kValueKeywords, t.text);
  }

  void push(Token token) {
    startSegment(token);
    history_[count_ % kHistory] = token;
    ++count_;
  }

  // The first token of a statement other than an opening parenthesis decides its kind.
  void startSegment(const Token& token) {
    if (segmentStarted_) return;
    if (token.kind == Kind::kPunct && (token.text == "(" || token.text == ";")) return;
    segmentStarted_ = true;
    if (token.kind == Kind::kWord && contains(kNoParameterStatements, token.text)) {
      inlineAll_ = true;
    }
  }

  // Only the last two tokens are ever looked at.
  static constexpr std::size_t kHistory = 2;

  std::string_view sql_;
  std::size_t i_ = 0;
  Token history_[kHistory] = {};
  std::size_t count_ = 0;  // tokens pushed
  SplitSql out_;           // literals and their places in sql_, the rest made by run()
  bool userMarker_ = false;
  bool segmentStarted_ = false;
  bool inlineAll_ = false;
};

}  // namespace

std::size_t SplitSql::originalOffset(std::size_t rewritten) const {
  std::size_t originalSize = statement.size();
  for (const Marker& m : markers)
    originalSize = originalSize - m.rewrittenLength + m.originalLength;
  // Every byte outside the markers was copied as it was, so only the shift of the last marker
  // before `rewritten` matters.
  std::size_t result = rewritten;
  for (const Marker& m : markers) {
    if (rewritten < m.rewritten) break;
    if (rewritten < m.rewritten + m.rewrittenLength) return m.original;
    result = m.original + m.originalLength + (rewritten - m.rewritten - m.rewrittenLength);
  }
  return std::min(result, originalSize);
}

SplitSql splitLiterals(std::string_view sql) {
  return Splitter(sql).run();
}

namespace {

// Past the closing quote of the plain literal that opens at `at`, its value appended to
// `value`; npos when it does not close.
std::size_t closeLiteral(std::string_view text, std::size_t at, std::string* value) {
  for (std::size_t i = at + 1;;) {
    const std::size_t quote = text.find('\'', i);
    if (quote == std::string_view::npos) return quote;
    if (value) value->append(text.substr(i, quote - i));
    if (quote + 1 == text.size() || text[quote + 1] != '\'') return quote + 1;
    if (value) *value += '\'';
    i = quote + 2;
  }
}

}  // namespace

bool splitAlike(std::string_view original, const SplitSql& previous, std::string_view sql,
                SplitSql* out) {
  if (!previous.bound()) return false;
  const std::size_t count = previous.markers.size();
  // Written in place: a caller that splits every run into the same object allocates nothing
  // once its strings have grown to the values' sizes.
  out->literals.resize(count);
  out->markers.clear();
  std::size_t from = 0;  // in original
  std::size_t at = 0;    // in sql
  for (std::size_t k = 0; k < count; ++k) {
    const SplitSql::Marker& m = previous.markers[k];
    // A literal the splitter joined to the next one could be joined differently here.
    if (closeLiteral(original, m.original, nullptr) != m.original + m.originalLength) return false;
    const std::string_view piece = original.substr(from, m.original - from);
    if (sql.substr(at, piece.size()) != piece) return false;
    at += piece.size();
    if (at == sql.size() || sql[at] != '\'') return false;
    std::string& value = out->literals[k];
    value.clear();
    const std::size_t end = closeLiteral(sql, at, &value);
    if (end == std::string_view::npos) return false;
    out->markers.push_back({m.rewritten, m.rewrittenLength, at, end - at});
    from = m.original + m.originalLength;
    at = end;
  }
  if (sql.substr(at) != original.substr(from)) return false;
  out->statement = previous.statement;
  return true;
}

std::string hidePasswordLiterals(std::string_view text) {
  std::string out;
  std::size_t copied = 0;
  auto wordEndingAt = [&](std::size_t end, std::string_view word) {
    if (end < word.size()) return false;
    const std::size_t begin = end - word.size();
    if (begin > 0 && isIdentChar(static_cast<unsigned char>(text[begin - 1]))) return false;
    for (std::size_t k = 0; k < word.size(); ++k)
      if (upper(text[begin + k]) != word[k]) return false;
    return true;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char quote = text[i];
    if (quote != '\'' && quote != '"') continue;
    // Back over blanks and one "=" to the word before the quote.
    std::size_t end = i;
    while (end > 0 && isSpace(static_cast<unsigned char>(text[end - 1]))) --end;
    if (end > 0 && text[end - 1] == '=') {
      --end;
      while (end > 0 && isSpace(static_cast<unsigned char>(text[end - 1]))) --end;
    }
    bool secret = wordEndingAt(end, "PASSWORD");
    if (!secret && wordEndingAt(end, "BY")) {
      std::size_t before = end - 2;
      while (before > 0 && isSpace(static_cast<unsigned char>(text[before - 1]))) --before;
      secret = before < end - 2 && wordEndingAt(before, "IDENTIFIED");
    }
    // To the closing quote; a doubled one stands for one.
    std::size_t close = i + 1;
    while (close < text.size() &&
           !(text[close] == quote && (close + 1 == text.size() || text[close + 1] != quote))) {
      close += text[close] == quote ? 2 : 1;
    }
    if (secret) {
      out.append(text.substr(copied, i + 1 - copied)).append("***");
      copied = std::min(close, text.size());
    }
    i = close;
  }
  if (copied == 0) return std::string(text);
  out.append(text.substr(copied));
  return out;
}

}  // namespace qz::jdbc
