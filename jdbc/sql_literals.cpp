#include "jdbc/sql_literals.h"

#include <algorithm>
#include <initializer_list>
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

bool isDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}
bool isLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isIdentChar(unsigned char c) {
  return isLetter(c) || isDigit(c) || c == '_' || c == '$' || c >= 0x80;
}
bool isTagStart(unsigned char c) {
  return isLetter(c) || c == '_' || c >= 0x80;
}
bool isSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool contains(const auto& table, std::string_view word) {
  return std::find(std::begin(table), std::end(table), word) != std::end(table);
}

enum class Kind { kWord, kNumber, kPunct, kIdentifier, kBound, kInline };

struct Token {
  Kind kind;
  std::string text;      // words upper-cased; a punctuation byte
  bool escapes = false;  // a literal whose continuation takes backslash escapes
};

struct Span {
  std::size_t begin;
  std::size_t end;
  std::string value;
};

class Splitter {
 public:
  explicit Splitter(std::string_view sql) : sql_(sql) {}

  SplitSql run() {
    while (i_ < sql_.size()) step();
    SplitSql out;
    if (userMarker_ || spans_.empty()) {
      out.statement.assign(sql_);
      return out;
    }
    out.statement.reserve(sql_.size() + spans_.size());
    std::size_t copied = 0;
    for (Span& span : spans_) {
      out.statement.append(sql_.substr(copied, span.begin - copied));
      // "name? " would read as one word to a server that allows "$" in names.
      bool glued = !out.statement.empty() && isIdentChar(out.statement.back());
      std::string_view marker = glued ? " ? " : "? ";
      out.markers.push_back(
          {out.statement.size(), marker.size(), span.begin, span.end - span.begin});
      out.statement.append(marker);
      out.literals.push_back(std::move(span.value));
      copied = span.end;
    }
    out.statement.append(sql_.substr(copied));
    return out;
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
      quoted(c, false, nullptr);
      push({Kind::kIdentifier, std::string(1, static_cast<char>(c))});
    } else if (c == '\'') {
      plainLiteral();
    } else if (c == '$' && dollarTagLength() > 0) {
      dollarQuoted();
    } else if (isIdentChar(c)) {
      word();
    } else {
      if (c == '?') userMarker_ = true;
      if (c == ';') segmentStarted_ = false;
      push({Kind::kPunct, std::string(1, static_cast<char>(c))});
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
      char c = sql_[i_];
      if (escapes && c == '\\' && i_ + 1 < sql_.size()) {
        if (value) value->append(sql_.substr(i_, 2));
        i_ += 2;
      } else if (c != quote) {
        if (value) *value += c;
        ++i_;
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
    Token token{isDigit(static_cast<unsigned char>(sql_[begin])) ? Kind::kNumber : Kind::kWord,
                std::string(sql_.substr(begin, i_ - begin))};
    for (char& c : token.text) c = upper(c);
    push(std::move(token));
  }

  void prefixedLiteral(bool escapes) {
    quoted('\'', escapes, nullptr);
    push({Kind::kInline, "'", escapes});
  }

  void plainLiteral() {
    std::size_t begin = i_;
    const Token* last = history_.empty() ? nullptr : &history_.back();
    bool continues = last && (last->kind == Kind::kBound || last->kind == Kind::kInline);
    std::string value;
    quoted('\'', continues && last->escapes, &value);
    if (continues && last->kind == Kind::kBound) {
      spans_.back().end = i_;
      spans_.back().value += value;
      return;
    }
    if (continues || inlineAll_ || !valuePosition()) {
      push({Kind::kInline, "'", continues && last->escapes});
      return;
    }
    spans_.push_back({begin, i_, std::move(value)});
    push({Kind::kBound, "'"});
  }

  bool wordAt(std::size_t back, std::initializer_list<std::string_view> words) const {
    if (back >= history_.size()) return false;
    const Token& t = history_[history_.size() - 1 - back];
    return t.kind == Kind::kWord && std::find(words.begin(), words.end(), t.text) != words.end();
  }
  bool kindAt(std::size_t back, Kind kind, std::string_view text = {}) const {
    if (back >= history_.size()) return false;
    const Token& t = history_[history_.size() - 1 - back];
    return t.kind == kind && (text.empty() || t.text == text);
  }

  // Whether a literal stands where a value may, so a marker can replace it: at the start, after
  // an operator or separator, or after one of kValueKeywords.
  bool valuePosition() const {
    if (history_.empty()) return true;
    if (wordAt(0, {"ESCAPE"}) && kindAt(1, Kind::kPunct, "{")) return false;  // {escape '\'}
    const Token& t = history_.back();
    if (t.kind == Kind::kPunct) return t.text != ")";
    return t.kind == Kind::kWord && contains(kValueKeywords, t.text);
  }

  void push(Token token) {
    startSegment(token);
    history_.push_back(std::move(token));
    if (history_.size() > kHistory) history_.erase(history_.begin());
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

  static constexpr std::size_t kHistory = 8;

  std::string_view sql_;
  std::size_t i_ = 0;
  std::vector<Token> history_;
  std::vector<Span> spans_;
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
