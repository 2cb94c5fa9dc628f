#include "tools/qzsql/format.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

#include "interfaces/qzcom.h"
#include "interfaces/utf8.h"

namespace qzsql {
namespace {

struct Range {
  char32_t first;
  char32_t last;
};

// Wide (two-column) ranges of East Asian scripts and emoji.
constexpr Range kWide[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

// Zero-width ranges: combining marks, joiners, variation selectors.
constexpr Range kZero[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
    {0x064B, 0x065F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xE0100, 0xE01EF},
};

template <size_t N>
bool inRanges(const Range (&ranges)[N], char32_t c) {
  for (const Range& r : ranges) {
    if (c >= r.first && c <= r.last) return true;
  }
  return false;
}

int codePointWidth(char32_t c) {
  if (inRanges(kZero, c)) return 0;
  if (inRanges(kWide, c)) return 2;
  return 1;
}

// Splits at line feeds; a text without one is one line.
std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (;;) {
    size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) {
      out.push_back(text.substr(start));
      return out;
    }
    out.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
}

void pad(std::string& line, int count, char c = ' ') {
  if (count > 0) line.append(static_cast<size_t>(count), c);
}

void rstrip(std::string& line) {
  while (!line.empty() && line.back() == ' ') line.pop_back();
}

class AlignedWriter : public ResultWriter {
 public:
  AlignedWriter(const FormatOptions& options, std::ostream& out)
      : ResultWriter(out), options_(options) {}

  void begin(const std::vector<std::string>& names) override { names_ = names; }
  void row(const Row& row) override { rows_.push_back(row); }

  void end(int64_t rows) override {
    std::vector<int> widths(names_.size(), 0);
    for (size_t c = 0; c < names_.size(); ++c) widths[c] = displayWidth(names_[c]);
    for (const Row& r : rows_) {
      for (size_t c = 0; c < r.size() && c < widths.size(); ++c) {
        for (std::string_view l : lines(text(r[c])))
          widths[c] = std::max(widths[c], displayWidth(l));
      }
    }
    int total = 0;
    for (int w : widths) total += w + 3;
    bool expanded = options_.expanded == Expanded::kOn ||
                    (options_.expanded == Expanded::kAuto && options_.terminalWidth > 0 &&
                     total - 1 > options_.terminalWidth);
    if (expanded) {
      writeExpanded();
    } else {
      writeTable(widths);
    }
    if (stopped()) return;
    out_ << rowCountLine(rows) << "\n";
    rows_.clear();
  }

  void stop(int64_t) override {
    rows_.clear();
    out_.flush();
  }

 private:
  bool stopped() const { return options_.interrupt && *options_.interrupt; }

  std::string_view text(const Cell& cell) const {
    return cell ? std::string_view(*cell) : std::string_view(options_.nullText);
  }

  void writeTable(const std::vector<int>& widths) {
    const size_t n = names_.size();
    std::string line;
    for (size_t c = 0; c < n; ++c) {
      if (c > 0) line += '|';
      line += ' ';
      line += names_[c];
      pad(line, widths[c] - displayWidth(names_[c]) + 1);
    }
    rstrip(line);
    out_ << line << "\n";
    line.clear();
    for (size_t c = 0; c < n; ++c) {
      if (c > 0) line += '+';
      pad(line, widths[c] + 2, '-');
    }
    out_ << line << "\n";
    std::vector<std::vector<std::string_view>> cells(n);
    for (const Row& r : rows_) {
      if (stopped()) return;
      size_t height = 1;
      for (size_t c = 0; c < n; ++c) {
        cells[c] = lines(c < r.size() ? text(r[c]) : std::string_view());
        height = std::max(height, cells[c].size());
      }
      for (size_t k = 0; k < height; ++k) {
        line.clear();
        for (size_t c = 0; c < n; ++c) {
          if (c > 0) line += '|';
          line += ' ';
          std::string_view part = k < cells[c].size() ? cells[c][k] : std::string_view();
          if (kind(c) == ColumnKind::kNumber) {
            pad(line, widths[c] - displayWidth(part));
            line += part;
          } else {
            line += part;
            pad(line, widths[c] - displayWidth(part));
          }
          // A "+" where the padding ends says the value goes on in the next line.
          line += k + 1 < cells[c].size() ? '+' : ' ';
        }
        rstrip(line);
        out_ << line << "\n";
      }
    }
  }

  void writeExpanded() {
    int nameWidth = 0;
    int valueWidth = 0;
    for (const std::string& name : names_) nameWidth = std::max(nameWidth, displayWidth(name));
    for (const Row& r : rows_) {
      for (const Cell& cell : r) {
        for (std::string_view l : lines(text(cell)))
          valueWidth = std::max(valueWidth, displayWidth(l));
      }
    }
    int64_t number = 0;
    for (const Row& r : rows_) {
      if (stopped()) return;
      std::string head = "-[ RECORD " + std::to_string(++number) + " ]";
      pad(head, nameWidth + 3 + valueWidth - static_cast<int>(head.size()), '-');
      out_ << head << "\n";
      for (size_t c = 0; c < names_.size(); ++c) {
        std::vector<std::string_view> parts = lines(c < r.size() ? text(r[c]) : std::string_view());
        for (size_t k = 0; k < parts.size(); ++k) {
          std::string line = k == 0 ? names_[c] : std::string();
          pad(line, nameWidth - (k == 0 ? displayWidth(names_[c]) : 0));
          line += " | ";
          line += parts[k];
          if (k + 1 < parts.size()) line += '+';
          rstrip(line);
          out_ << line << "\n";
        }
      }
    }
  }

  FormatOptions options_;
  std::vector<std::string> names_;
  std::vector<Row> rows_;
};

// CSV and TSV: a header line of the names, then a line a row, the fields apart by one
// separator, each written by the format's own rule.
class DelimitedWriter : public ResultWriter {
 public:
  using FieldRule = std::string (*)(const Cell& cell);
  DelimitedWriter(std::ostream& out, char separator, const char* lineEnd, FieldRule field)
      : ResultWriter(out), separator_(separator), lineEnd_(lineEnd), field_(field) {}
  void begin(const std::vector<std::string>& names) override {
    std::vector<Cell> header(names.begin(), names.end());
    row(header);
  }
  void row(const Row& row) override {
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) out_ << separator_;
      out_ << field_(row[c]);
    }
    out_ << lineEnd_;
  }
  void end(int64_t) override { out_.flush(); }
  void stop(int64_t) override { out_.flush(); }

 private:
  char separator_;
  const char* lineEnd_;
  FieldRule field_;
};

// An empty field is NULL; the empty text is quoted to stay apart from it.
std::string csvCell(const Cell& cell) {
  if (!cell) return {};
  return cell->empty() ? "\"\"" : csvField(*cell);
}

std::string tsvCell(const Cell& cell) {
  return cell ? tsvField(*cell) : kTsvNull;
}

class JsonWriter : public ResultWriter {
 public:
  explicit JsonWriter(std::ostream& out) : ResultWriter(out) {}
  void begin(const std::vector<std::string>& names) override {
    keys_.clear();
    for (const std::string& n : names) keys_.push_back(jsonString(n));
  }
  void row(const Row& row) override {
    out_ << '{';
    for (size_t c = 0; c < row.size() && c < keys_.size(); ++c) {
      if (c > 0) out_ << ',';
      out_ << keys_[c] << ':';
      if (row[c]) {
        out_ << jsonValue(*row[c], kind(c));
      } else {
        out_ << "null";
      }
    }
    out_ << "}\n";
  }
  void end(int64_t) override { out_.flush(); }
  void stop(int64_t) override { out_.flush(); }

 private:
  std::vector<std::string> keys_;
};

}  // namespace

std::unique_ptr<ResultWriter> makeWriter(const FormatOptions& options, std::ostream& out) {
  switch (options.format) {
    case Format::kCsv:
      return std::make_unique<DelimitedWriter>(out, ',', "\r\n", csvCell);
    case Format::kTsv:
      return std::make_unique<DelimitedWriter>(out, '\t', "\n", tsvCell);
    case Format::kJson:
      return std::make_unique<JsonWriter>(out);
    case Format::kAligned:
      break;
  }
  return std::make_unique<AlignedWriter>(options, out);
}

int displayWidth(std::string_view text) {
  int width = 0;
  for (size_t i = 0; i < text.size();) {
    const qzUtf8CharS c = qzDecodeUtf8(text.substr(i));
    if (c.valid) {
      width += codePointWidth(c.codePoint);
      i += c.length;
    } else {
      ++width;
      ++i;
    }
  }
  return width;
}

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

namespace {

// The backslash escapes TSV and JSON share; null for a character that has none there.
const char* backslashEscape(char c) {
  switch (c) {
    case '\\':
      return "\\\\";
    case '\t':
      return "\\t";
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    default:
      return nullptr;
  }
}

}  // namespace

std::string tsvField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (const char* escape = backslashEscape(c)) {
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80) {
      // JSON must be UTF-8: a byte that is not part of a valid character becomes U+FFFD.
      const qzUtf8CharS ch = qzDecodeUtf8(text.substr(i));
      out += ch.valid ? text.substr(i, ch.length) : std::string_view("\xEF\xBF\xBD");
      i += ch.length - 1;
    } else if (const char* escape = backslashEscape(c)) {
      out += escape;
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\b') {
      out += "\\b";
    } else if (c == '\f') {
      out += "\\f";
    } else if (u < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
      out += buffer;
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

ColumnKind columnKind(int32_t jdbcType) {
  switch (jdbcType) {
    case -6:  // TINYINT
    case -5:  // BIGINT
    case 2:   // NUMERIC
    case 3:   // DECIMAL
    case 4:   // INTEGER
    case 5:   // SMALLINT
    case 6:   // FLOAT
    case 7:   // REAL
    case 8:   // DOUBLE
      return ColumnKind::kNumber;
    case -7:  // BIT: the boolean of some drivers
    case 16:  // BOOLEAN
      return ColumnKind::kBoolean;
    default:
      return ColumnKind::kText;
  }
}

namespace {

// The grammar of a JSON number: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(std::string_view t) {
  size_t i = 0;
  auto digits = [&] {
    size_t from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i > from;
  };
  if (i < t.size() && t[i] == '-') ++i;
  if (i < t.size() && t[i] == '0') {
    ++i;
  } else if (!digits()) {
    return false;
  }
  if (i < t.size() && t[i] == '.') {
    ++i;
    if (!digits()) return false;
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (!digits()) return false;
  }
  return i == t.size();
}

}  // namespace

std::string jsonValue(std::string_view text, ColumnKind kind) {
  if (kind == ColumnKind::kNumber && isJsonNumber(text)) return std::string(text);
  if (kind == ColumnKind::kBoolean) {
    for (std::string_view yes : {"t", "true", "1"}) {
      if (qzEqualsIgnoringAsciiCase(text, yes)) return "true";
    }
    for (std::string_view no : {"f", "false", "0"}) {
      if (qzEqualsIgnoringAsciiCase(text, no)) return "false";
    }
  }
  return jsonString(text);
}

std::string rowCountLine(int64_t rows) {
  return "(" + std::to_string(rows) + (rows == 1 ? " row)" : " rows)");
}

}  // namespace qzsql
