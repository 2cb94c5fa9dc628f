// Writing query results: aligned tables (with an expanded, one-line-per-field layout for wide
// rows), CSV as RFC 4180 has it, tab-separated values and JSON lines.
//
// A value is text or NULL, and the empty text is not NULL: CSV writes NULL as an empty
// field and the empty text as "", TSV writes NULL as \N, JSON null or "", and aligned output
// shows NULL as the \null text. The engine hands every value over as text, so every format
// writes what the driver's getString gave; the column's kind (from its JDBC type) decides
// only the layout: numbers are right-aligned in tables and written as JSON numbers (the text
// as it came, every digit kept), booleans as JSON true and false.
//
// Thread rule: one thread per writer. Ownership: a writer writes to a stream it does not own.
#pragma once

#include <csignal>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qzsql {

using Cell = std::optional<std::string>;  // nullopt: SQL NULL
using Row = std::vector<Cell>;

enum class ColumnKind { kText, kNumber, kBoolean };
// The kind of a java.sql.Types code.
ColumnKind columnKind(int32_t jdbcType);

// A result column as the driver describes it, for a writer that makes a table like it.
struct ColumnType {
  int32_t jdbcType = 0;
  int32_t precision = 0;
  int32_t scale = 0;
  std::string typeName;  // the driver's own
};

enum class Format { kAligned, kCsv, kTsv, kJson };
enum class Expanded { kOff, kOn, kAuto };

struct FormatOptions {
  Format format = Format::kAligned;
  Expanded expanded = Expanded::kOff;
  std::string nullText;   // how NULL shows in aligned and expanded output
  int terminalWidth = 0;  // for Expanded::kAuto; 0 means unknown (never expand)
  // When set and non-zero (Ctrl-C), an aligned table stops between lines.
  const volatile std::sig_atomic_t* interrupt = nullptr;
};

class ResultWriter {
 public:
  explicit ResultWriter(std::ostream& out) : out_(out) {}
  virtual ~ResultWriter() = default;
  // False once the stream has failed: nothing written from then on arrives.
  bool ok() const { return out_.good(); }
  // Before begin; columns without a kind are text.
  void setKinds(std::vector<ColumnKind> kinds) { kinds_ = std::move(kinds); }
  // Whether the writer needs setTypes before begin (the session asks the driver only then).
  virtual bool wantsTypes() const { return false; }
  virtual void setTypes(std::vector<ColumnType>) {}
  virtual void begin(const std::vector<std::string>& names) = 0;
  virtual void row(const Row& row) = 0;
  // The rows are all there (or the output was stopped after them): write what is buffered,
  // and the footer where the format has one.
  virtual void end(int64_t rows) = 0;
  // The output was stopped after these rows: write nothing more (a table not written yet is
  // dropped), only flush what was written.
  virtual void stop(int64_t rows) = 0;

 protected:
  ColumnKind kind(size_t column) const {
    return column < kinds_.size() ? kinds_[column] : ColumnKind::kText;
  }

  std::ostream& out_;
  std::vector<ColumnKind> kinds_;
};

std::unique_ptr<ResultWriter> makeWriter(const FormatOptions& options, std::ostream& out);

// Columns a text takes on a terminal: East Asian wide characters take two, combining marks
// none. Invalid UTF-8 counts one column per byte. Independent of the locale, so output is
// the same everywhere.
int displayWidth(std::string_view text);

// RFC 4180: quoted when it holds a comma, a double quote, CR or LF; quotes doubled.
std::string csvField(std::string_view text);
// Backslash, tab, line feed and carriage return written as \\, \t, \n and \r; NULL is \N.
std::string tsvField(std::string_view text);
inline constexpr char kTsvNull[] = "\\N";
// A JSON string literal, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string jsonString(std::string_view text);
// A value of a column of that kind in JSON: a number as its own text when it is a JSON
// number, a boolean's "t", "true", "1" (and their opposites) as true and false; anything
// else as a string.
std::string jsonValue(std::string_view text, ColumnKind kind);

// "(1 row)", "(3 rows)".
std::string rowCountLine(int64_t rows);

}  // namespace qzsql
