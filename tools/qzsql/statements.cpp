#include "tools/qzsql/statements.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <vector>

#include "interfaces/qzcom.h"

namespace qzsql {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// A dollar-quote opener at text[i] ("$$" or "$tag$"), or 0. A "$" right after a word
// character belongs to an identifier, and "$1" is a parameter, not a tag.
size_t dollarTagLength(std::string_view text, size_t i) {
  if (text[i] != '$') return 0;
  if (i > 0 && isWordChar(text[i - 1])) return 0;
  size_t j = i + 1;
  if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) return 0;
  while (j < text.size() && isWordChar(text[j])) ++j;
  if (j < text.size() && text[j] == '$') return j - i + 1;
  return 0;
}

std::string trim(std::string_view s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

// Where the quoted text that starts at sql[i] ends: just past its closing quote (a doubled
// quote stands for one), or at the end of sql when it is not closed.
size_t quotedEnd(const std::string& sql, size_t i) {
  const char quote = sql[i];
  const size_t n = sql.size();
  for (++i; i < n; ++i) {
    if (sql[i] != quote) continue;
    if (i + 1 < n && sql[i + 1] == quote) {
      ++i;
    } else {
      return i + 1;
    }
  }
  return n;
}

// Where the dollar-quoted text whose tag (tag bytes long) starts at sql[i] ends.
size_t dollarQuotedEnd(const std::string& sql, size_t i, size_t tag) {
  const size_t end = sql.find(sql.substr(i, tag), i + tag);
  return end == std::string::npos ? sql.size() : end + tag;
}

// The words of the statement outside quotes and comments, upper-cased, up to max of them.
std::vector<std::string> words(const std::string& sql, size_t max) {
  std::vector<std::string> out;
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n && out.size() < max) {
    char c = sql[i];
    if (c == '\'' || c == '"') {
      i = quotedEnd(sql, i);
    } else if (size_t tag = dollarTagLength(sql, i); tag > 0) {
      i = dollarQuotedEnd(sql, i, tag);
    } else if (isWordChar(c)) {
      size_t b = i;
      while (i < n && isWordChar(sql[i])) ++i;
      out.push_back(upper(std::string_view(sql).substr(b, i - b)));
    } else {
      ++i;
    }
  }
  return out;
}

bool contains(const std::vector<std::string>& list, std::string_view word) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

// Position of the first "SELECT" in any letter case, or npos.
size_t findSelect(const std::string& text) {
  const std::string_view view(text);
  for (size_t i = 0; i < view.size(); ++i) {
    if (qzStartsWithIgnoringAsciiCase(view.substr(i), "SELECT")) return i;
  }
  return std::string::npos;
}

}  // namespace

void StatementSplitter::addLine(const std::string& line) {
  ++lineNo_;
  if (mode_ == Mode::kNormal) {
    size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '\\') {
      emit(Piece::Kind::kMeta, trim(line), lineNo_);
      return;
    }
  }
  const std::string text = line + "\n";
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    char c = text[i];
    char next = i + 1 < n ? text[i + 1] : '\0';
    switch (mode_) {
      case Mode::kNormal:
        if (isBlank(c) && !hasContent_) continue;  // a statement starts at its first word
        if (c == ';') {
          if (hasContent_ && !stripComments(buffer_).empty()) {
            emit(Piece::Kind::kSql, buffer_, startLine_);
          }
          buffer_.clear();
          hasContent_ = false;
          continue;
        }
        if (c == '\'') {
          mode_ = Mode::kSingle;
        } else if (c == '"') {
          mode_ = Mode::kDouble;
        } else if (c == '-' && next == '-') {
          mode_ = Mode::kLineComment;
          buffer_ += c;
          c = text[++i];
        } else if (c == '/' && next == '*') {
          mode_ = Mode::kBlockComment;
          commentDepth_ = 1;
          buffer_ += c;
          c = text[++i];
        } else if (size_t tag = dollarTagLength(text, i); tag > 0) {
          mode_ = Mode::kDollar;
          dollarTag_ = text.substr(i, tag);
          if (!hasContent_) startLine_ = lineNo_;
          hasContent_ = true;
          buffer_ += dollarTag_;
          i += tag - 1;
          continue;
        }
        if (!isBlank(c) && !hasContent_) {
          startLine_ = lineNo_;
          hasContent_ = true;
        }
        break;
      case Mode::kSingle:
      case Mode::kDouble: {
        char quote = mode_ == Mode::kSingle ? '\'' : '"';
        if (c == quote) {
          if (next == quote) {
            buffer_ += c;
            c = text[++i];
          } else {
            mode_ = Mode::kNormal;
          }
        }
        break;
      }
      case Mode::kLineComment:
        if (c == '\n') mode_ = Mode::kNormal;
        break;
      case Mode::kBlockComment:
        if (c == '/' && next == '*') {
          ++commentDepth_;
          buffer_ += c;
          c = text[++i];
        } else if (c == '*' && next == '/') {
          buffer_ += c;
          c = text[++i];
          if (--commentDepth_ == 0) mode_ = Mode::kNormal;
        }
        break;
      case Mode::kDollar:
        if (c == '$' && text.compare(i, dollarTag_.size(), dollarTag_) == 0) {
          buffer_ += dollarTag_;
          i += dollarTag_.size() - 1;
          mode_ = Mode::kNormal;
          continue;
        }
        break;
    }
    buffer_ += c;
  }
}

std::optional<Piece> StatementSplitter::next() {
  if (ready_.empty()) return std::nullopt;
  Piece p = std::move(ready_.front());
  ready_.pop_front();
  return p;
}

std::optional<Piece> StatementSplitter::finish() {
  std::optional<Piece> rest;
  if (hasContent_ && !stripComments(buffer_).empty()) {
    rest = Piece{Piece::Kind::kSql, buffer_, startLine_};
  }
  discard();
  return rest;
}

void StatementSplitter::discard() {
  buffer_.clear();
  hasContent_ = false;
  mode_ = Mode::kNormal;
  commentDepth_ = 0;
  dollarTag_.clear();
}

bool StatementSplitter::pending() const {
  return hasContent_;
}

char StatementSplitter::state() const {
  switch (mode_) {
    case Mode::kSingle:
      return '\'';
    case Mode::kDouble:
      return '"';
    case Mode::kBlockComment:
      return '*';
    case Mode::kDollar:
      return '$';
    default:
      return pending() ? '-' : '=';
  }
}

void StatementSplitter::emit(Piece::Kind kind, std::string text, int line) {
  ready_.push_back(Piece{kind, std::move(text), line});
}

std::string stripComments(const std::string& sql) {
  std::string out;
  out.reserve(sql.size());
  const size_t n = sql.size();
  size_t i = 0;
  while (i < n) {
    char c = sql[i];
    char next = i + 1 < n ? sql[i + 1] : '\0';
    if (c == '\'' || c == '"') {
      const size_t stop = quotedEnd(sql, i);
      out.append(sql, i, stop - i);
      i = stop;
    } else if (c == '-' && next == '-') {
      while (i < n && sql[i] != '\n') ++i;
    } else if (c == '/' && next == '*') {
      int depth = 0;
      while (i < n) {
        if (sql[i] == '/' && i + 1 < n && sql[i + 1] == '*') {
          ++depth;
          i += 2;
        } else if (sql[i] == '*' && i + 1 < n && sql[i + 1] == '/') {
          i += 2;
          if (--depth == 0) break;
        } else {
          ++i;
        }
      }
      // A comment separates words: "a/**/b" is two words.
      if (!out.empty() && !isBlank(out.back())) out += ' ';
    } else if (size_t tag = dollarTagLength(sql, i); tag > 0) {
      const size_t stop = dollarQuotedEnd(sql, i, tag);
      out.append(sql, i, stop - i);
      i = stop;
    } else {
      out += c;
      ++i;
    }
  }
  return trim(out);
}

bool returnsRows(const std::string& strippedSql) {
  std::vector<std::string> w = words(strippedSql, 1);
  if (w.empty()) return false;
  const std::string& first = w.front();
  if (first == "SELECT" || first == "VALUES" || first == "TABLE" || first == "SHOW" ||
      first == "EXPLAIN") {
    return true;
  }
  if (first == "WITH" || first == "INSERT" || first == "UPDATE" || first == "DELETE") {
    std::vector<std::string> all = words(strippedSql, std::string::npos);
    if (contains(all, "RETURNING")) return true;
    if (first != "WITH") return false;
    // A WITH clause in front of a data change without RETURNING returns no rows.
    return !contains(all, "INSERT") && !contains(all, "UPDATE") && !contains(all, "DELETE");
  }
  return false;
}

std::string prepareSql(const std::string& strippedSql, bool query) {
  size_t p = findSelect(strippedSql);
  if (query) {
    if (p != std::string::npos && p < 6) return strippedSql;
    // The engine runs a text as a query only when SELECT starts within its first six
    // characters; a comment that says so is all the driver sees of the marker.
    return "/*SELECT*/ " + strippedSql;
  }
  // The record set's Count looks one character further than execute does (SELECT within the
  // first seven): keep SELECT beyond both, so the update count is what Count reports.
  if (p != std::string::npos && p < 7) return std::string(7 - p, ' ') + strippedSql;
  return strippedSql;
}

std::string firstWord(const std::string& strippedSql) {
  std::vector<std::string> w = words(strippedSql, 2);
  if (w.empty()) return "";
  static constexpr std::array<std::string_view, 13> kObjects = {
      "TABLE",   "VIEW", "INDEX", "SCHEMA",   "SEQUENCE", "FUNCTION", "PROCEDURE",
      "TRIGGER", "USER", "ROLE",  "DATABASE", "TYPE",     "DOMAIN"};
  if ((w[0] == "CREATE" || w[0] == "DROP" || w[0] == "ALTER") && w.size() > 1 &&
      std::find(kObjects.begin(), kObjects.end(), w[1]) != kObjects.end()) {
    return w[0] + " " + w[1];
  }
  return w[0];
}

}  // namespace qzsql
