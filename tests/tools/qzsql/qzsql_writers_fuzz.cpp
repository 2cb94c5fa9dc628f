// libFuzzer entry: random result sets written by every qzsql output format without a crash.
// CSV, TSV and JSON read back to the same cells (JSON numbers and booleans where the column
// kind and the text make them one); aligned tables have the lines and widths their cells ask
// for.
//
// Input: records separated by 0x1E, cells by 0x1F; a cell that is one 0x1D byte is NULL. The
// first record gives the column kinds ('n' number, 'b' boolean, else text), the second the
// column names, the others the rows.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "interfaces/utf8.h"
#include "tests/support/visible_text.h"
#include "tools/qzsql/format.h"

namespace {

using qzsql::Cell;
using qzsql::ColumnKind;
using qzsql::Row;

struct Table {
  std::vector<ColumnKind> kinds;
  std::vector<std::string> names;
  std::vector<Row> rows;
};

using qztest::visible;

[[noreturn]] void fail(const char* format, const char* what, const std::string& output) {
  std::fprintf(stderr, "%s: %s\n--- output\n%s\n", format, what, visible(output).c_str());
  std::abort();
}

std::vector<std::string> cut(const std::string& text, char at) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t p; (p = text.find(at, start)) != std::string::npos; start = p + 1) {
    out.push_back(text.substr(start, p - start));
  }
  out.push_back(text.substr(start));
  return out;
}

Table decode(const std::string& input) {
  Table t;
  std::vector<std::string> records = cut(input, '\x1e');
  std::string kinds = records[0];
  t.names = records.size() > 1 ? cut(records[1], '\x1f') : std::vector<std::string>{"?column?"};
  for (size_t c = 0; c < t.names.size(); ++c) {
    char k = c < kinds.size() ? kinds[c] : 't';
    t.kinds.push_back(k == 'n'   ? ColumnKind::kNumber
                      : k == 'b' ? ColumnKind::kBoolean
                                 : ColumnKind::kText);
  }
  for (size_t r = 2; r < records.size(); ++r) {
    Row row;
    for (std::string& cell : cut(records[r], '\x1f')) {
      row.push_back(cell == "\x1d" ? Cell() : Cell(std::move(cell)));
    }
    row.resize(t.names.size());  // rows of a result have as many cells as it has columns
    t.rows.push_back(std::move(row));
  }
  return t;
}

qzsql::FormatOptions as(qzsql::Format format) {
  qzsql::FormatOptions options;
  options.format = format;
  return options;
}

std::string render(const Table& t, const qzsql::FormatOptions& options) {
  std::ostringstream out;
  std::unique_ptr<qzsql::ResultWriter> w = qzsql::makeWriter(options, out);
  w->setKinds(t.kinds);
  w->begin(t.names);
  for (const Row& r : t.rows) w->row(r);
  w->end(static_cast<int64_t>(t.rows.size()));
  return out.str();
}

std::vector<Row> expected(const Table& t) {
  std::vector<Row> all{Row(t.names.begin(), t.names.end())};
  all.insert(all.end(), t.rows.begin(), t.rows.end());
  return all;
}

// RFC 4180 with qzsql's NULL: an empty unquoted field.
void checkCsv(const Table& t) {
  const std::string text = render(t, as(qzsql::Format::kCsv));
  std::vector<Row> read;
  Row record;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    if (text[i] == '"') {
      std::string field;
      for (++i;; ++i) {
        if (i >= n) fail("csv", "unterminated quote", text);
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            field += '"';
            ++i;
          } else {
            ++i;
            break;
          }
        } else {
          field += text[i];
        }
      }
      record.push_back(field);
    } else {
      size_t end = text.find_first_of(",\r", i);
      if (end == std::string::npos) fail("csv", "record without CRLF", text);
      std::string field = text.substr(i, end - i);
      if (field.find_first_of("\"\n") != std::string::npos) fail("csv", "bare quote or LF", text);
      record.push_back(field.empty() ? Cell() : Cell(field));
      i = end;
    }
    if (text.compare(i, 2, "\r\n") == 0) {
      read.push_back(std::move(record));
      record.clear();
      i += 2;
    } else if (i < n && text[i] == ',') {
      ++i;  // an empty field before CRLF is read in the next round
    } else {
      fail("csv", "field not followed by a comma or CRLF", text);
    }
  }
  if (read != expected(t)) fail("csv", "cells differ", text);
}

void checkTsv(const Table& t) {
  const std::string text = render(t, as(qzsql::Format::kTsv));
  if (text.empty() || text.back() != '\n') fail("tsv", "no final line feed", text);
  std::vector<Row> read;
  for (const std::string& line : cut(text.substr(0, text.size() - 1), '\n')) {
    Row row;
    for (const std::string& field : cut(line, '\t')) {
      if (field == qzsql::kTsvNull) {
        row.push_back(Cell());
        continue;
      }
      std::string value;
      for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
          value += field[i];
          continue;
        }
        const char e = i + 1 < field.size() ? field[++i] : '?';
        const size_t k = std::string_view("\\tnr").find(e);
        if (k == std::string_view::npos) fail("tsv", "unknown escape", text);
        value += "\\\t\n\r"[k];
      }
      row.push_back(value);
    }
    read.push_back(std::move(row));
  }
  if (read != expected(t)) fail("tsv", "cells differ", text);
}

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(const std::string& t) {
  size_t i = 0;
  auto digits = [&] {
    size_t from = i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    return i - from;
  };
  if (i < t.size() && t[i] == '-') ++i;
  size_t whole = digits();
  if (whole == 0 || (whole > 1 && t[i - whole] == '0')) return false;
  if (i < t.size() && t[i] == '.') {
    ++i;
    if (digits() == 0) return false;
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

// Just enough JSON for what the writer makes: one object per line, values null, true, false,
// numbers and strings.
class JsonLine {
 public:
  JsonLine(const std::string& text, size_t& at) : text_(text), i_(at), at_(at) {}
  ~JsonLine() { at_ = i_; }

  // (key, value) pairs; a value is the string's text, or the literal token with a marker.
  std::vector<std::pair<std::string, std::string>> object() {
    std::vector<std::pair<std::string, std::string>> out;
    expect('{');
    if (peek() == '}') {
      ++i_;
      return out;
    }
    for (;;) {
      std::string key = string();
      expect(':');
      out.emplace_back(key, value());
      if (peek() == '}') {
        ++i_;
        return out;
      }
      expect(',');
    }
  }

 private:
  char peek() const { return i_ < text_.size() ? text_[i_] : '\0'; }
  void expect(char c) {
    if (peek() != c) fail("json", "unexpected character", text_);
    ++i_;
  }
  std::string value() {
    if (peek() == '"') return "s" + string();
    size_t b = i_;
    while (i_ < text_.size() && std::string_view(",}").find(text_[i_]) == std::string::npos) ++i_;
    std::string token = text_.substr(b, i_ - b);
    if (token == "null" || token == "true" || token == "false") return token;
    if (!isJsonNumber(token)) fail("json", "neither a literal nor a number", text_);
    return "#" + token;
  }
  std::string string() {
    expect('"');
    std::string out;
    for (;;) {
      if (i_ >= text_.size()) fail("json", "unterminated string", text_);
      unsigned char c = static_cast<unsigned char>(text_[i_++]);
      if (c == '"') return out;
      if (c < 0x20) fail("json", "raw control character in a string", text_);
      if (c >= 0x80) {
        const qzUtf8CharS ch = qzDecodeUtf8(std::string_view(text_).substr(i_ - 1));
        if (!ch.valid) fail("json", "a string that is not UTF-8", text_);
        out += text_.substr(i_ - 1, ch.length);
        i_ += ch.length - 1;
        continue;
      }
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      const char e = peek();
      ++i_;
      if (e == 'u') {
        if (i_ + 4 > text_.size()) fail("json", "short \\u escape", text_);
        unsigned v = std::stoul(text_.substr(i_, 4), nullptr, 16);
        if (v >= 0x20) fail("json", "\\u escape of a character that needs none", text_);
        out += static_cast<char>(v);
        i_ += 4;
        continue;
      }
      const size_t k = std::string_view("\"\\/bfnrt").find(e);
      if (k == std::string_view::npos) fail("json", "unknown escape", text_);
      out += "\"\\/\b\f\n\r\t"[k];
    }
  }

  const std::string& text_;
  size_t i_;
  size_t& at_;
};

bool oneOf(const std::string& text, std::initializer_list<const char*> words) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::find(words.begin(), words.end(), lower) != words.end();
}

// What JSON carries of a text: each ill-formed UTF-8 sequence as U+FFFD.
std::string asUtf8(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const qzUtf8CharS ch = qzDecodeUtf8(std::string_view(text).substr(i));
    out += ch.valid ? text.substr(i, ch.length) : "\xEF\xBF\xBD";
    i += ch.length;
  }
  return out;
}

void checkJson(const Table& t) {
  const std::string text = render(t, as(qzsql::Format::kJson));
  size_t at = 0;
  for (const Row& row : t.rows) {
    std::vector<std::pair<std::string, std::string>> pairs;
    {
      JsonLine line(text, at);
      pairs = line.object();
    }
    if (text.compare(at++, 1, "\n") != 0) fail("json", "object not ended by a line feed", text);
    if (pairs.size() != row.size()) fail("json", "wrong number of members", text);
    for (size_t c = 0; c < row.size(); ++c) {
      const auto& [key, value] = pairs[c];
      if (key != asUtf8(t.names[c])) fail("json", "key differs from the column name", text);
      const Cell& cell = row[c];
      if (!cell) {
        if (value != "null") fail("json", "NULL not null", text);
      } else if (value == "true" || value == "false") {
        bool yes = value == "true";
        if (t.kinds[c] != ColumnKind::kBoolean ||
            !oneOf(*cell, yes ? std::initializer_list<const char*>{"t", "true", "1"}
                              : std::initializer_list<const char*>{"f", "false", "0"}))
          fail("json", "a boolean from a text that is none", text);
      } else if (value[0] == '#') {
        if (t.kinds[c] != ColumnKind::kNumber || value.substr(1) != *cell)
          fail("json", "a number that is not the cell's text", text);
      } else if (value != "s" + asUtf8(*cell)) {
        fail("json", "string differs from the cell", text);
      }
    }
  }
  if (at != text.size()) fail("json", "more lines than rows", text);
}

size_t lineCount(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

size_t cellHeight(const Cell& cell, const std::string& nullText) {
  return lineCount(cell ? *cell : nullText) + 1;
}

void checkAligned(const Table& t) {
  const std::string nullText = "(null)";
  qzsql::FormatOptions options = as(qzsql::Format::kAligned);
  options.nullText = nullText;
  const std::string table = render(t, options);
  std::vector<int> widths;
  for (size_t c = 0; c < t.names.size(); ++c) {
    int w = qzsql::displayWidth(t.names[c]);
    for (const Row& r : t.rows) {
      for (const std::string& l : cut(r[c] ? *r[c] : nullText, '\n'))
        w = std::max(w, qzsql::displayWidth(l));
    }
    widths.push_back(w);
  }
  int total = -1;
  for (int w : widths) total += w + 3;
  // Names are written as they are: one with a line feed makes a header of several lines.
  size_t lines = 2;
  for (const std::string& n : t.names) lines += lineCount(n);
  for (const Row& r : t.rows) {
    size_t h = 1;
    for (const Cell& cell : r) h = std::max(h, cellHeight(cell, nullText));
    lines += h;
  }
  lines += 1;  // the row count
  if (lineCount(table) != lines) fail("aligned", "wrong number of lines", table);
  if (table.size() < 2 || table.substr(table.rfind('\n', table.size() - 2) + 1) !=
                              qzsql::rowCountLine(static_cast<int64_t>(t.rows.size())) + "\n")
    fail("aligned", "no row count at the end", table);
  bool plain = std::none_of(t.names.begin(), t.names.end(),
                            [](const std::string& n) { return n.find('\n') != n.npos; });
  if (plain) {
    std::vector<std::string> all = cut(table, '\n');
    if (qzsql::displayWidth(all[1]) != total) fail("aligned", "rule of the wrong width", table);
    for (size_t k = 2; k + 2 < all.size(); ++k) {
      if (qzsql::displayWidth(all[k]) > total) fail("aligned", "a line wider than the rule", table);
    }
  }

  options.expanded = qzsql::Expanded::kOn;
  const std::string expanded = render(t, options);
  size_t records = 1;
  for (const Row& r : t.rows) {
    records += 1;
    for (size_t c = 0; c < r.size(); ++c)
      records += cellHeight(r[c], nullText) + lineCount(t.names[c]);
  }
  if (lineCount(expanded) != records) fail("expanded", "wrong number of lines", expanded);

  options.expanded = qzsql::Expanded::kAuto;
  options.terminalWidth = 40;
  const std::string automatic = render(t, options);
  if (automatic != (total > 40 ? expanded : table)) fail("auto", "neither layout", automatic);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Table t = decode(std::string(reinterpret_cast<const char*>(data), size));
  checkCsv(t);
  checkTsv(t);
  checkJson(t);
  checkAligned(t);
  return 0;
}
