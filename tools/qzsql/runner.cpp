#include "tools/qzsql/runner.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "interfaces/qzcom.h"
#include "tools/qzsql/data_sources.h"
#include "tools/qzsql/interrupt.h"
#include "tools/qzsql/login.h"

namespace qzsql {
namespace {

constexpr int kMaxIncludeDepth = 16;

std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string at(const std::string& where) {
  return where.empty() ? "" : where + ": ";
}

// Prints rows done and rows per second on standard error, at most a few times a second.
class Progress {
 public:
  void update(int64_t rows) {
    auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(250)) return;
    last_ = now;
    print(rows, now);
  }
  void finish(int64_t rows) {
    if (printed_) {
      print(rows, std::chrono::steady_clock::now());
      std::fputc('\n', stderr);
    }
  }

 private:
  void print(int64_t rows, std::chrono::steady_clock::time_point now) {
    double seconds = std::chrono::duration<double>(now - start_).count();
    double rate = seconds > 0 ? static_cast<double>(rows) / seconds : 0;
    std::fprintf(stderr, "\r%lld rows, %.0f rows/s  ", static_cast<long long>(rows), rate);
    std::fflush(stderr);
    printed_ = true;
  }

  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_ = start_;
  bool printed_ = false;
};

// For statements whose rows nobody reads.
class NullWriter : public ResultWriter {
 public:
  NullWriter() : ResultWriter(sink_) {}
  void begin(const std::vector<std::string>&) override {}
  void row(const Row&) override {}
  void end(int64_t) override {}
  void stop(int64_t) override {}

 private:
  std::ostringstream sink_;
};

bool isDataChange(const std::string& tag) {
  return tag == "INSERT" || tag == "UPDATE" || tag == "DELETE" || tag == "MERGE";
}

}  // namespace

std::string withoutSeverity(const std::string& message) {
  static constexpr const char* kWords[] = {"ERROR", "FATAL", "PANIC", "WARNING", "SEVERE"};
  for (const char* word : kWords) {
    const size_t n = std::strlen(word);
    if (message.size() > n && qzStartsWithIgnoringAsciiCase(message, word) && message[n] == ':') {
      size_t rest = message.find_first_not_of(' ', n + 1);
      return rest == std::string::npos ? "" : message.substr(rest);
    }
  }
  return message;
}

std::optional<std::pair<int, size_t>> findNul(const std::string& text, int firstLine) {
  size_t nul = text.find('\0');
  if (nul == std::string::npos) return std::nullopt;
  size_t lineStart = text.rfind('\n', nul);
  lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
  int line = firstLine + static_cast<int>(std::count(text.begin(), text.begin() + nul, '\n'));
  return std::make_pair(line, nul - lineStart + 1);
}

void reportError(const std::string& where, const CallFailed& e, bool verbose) {
  const ErrorLevel* root = e.root();
  if (!root) {
    std::fprintf(stderr, "%sERROR:  %s failed\n", at(where).c_str(), e.member().c_str());
    return;
  }
  std::string state = e.sqlState();
  std::fprintf(stderr, "%sERROR:  %s%s\n", at(where).c_str(),
               state.empty() ? "" : (state + ": ").c_str(),
               withoutSeverity(root->description).c_str());
  if (!verbose || (root->source == "qzsql" && e.levels().size() == 1)) return;
  std::string origin = root->source;
  const auto& levels = e.levels();
  for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
    if (&*it == root) continue;
    origin += ", in " + it->source + (it->description.empty() ? "" : ": " + it->description);
  }
  if (root->vendorCode != 0) origin += ", vendor code " + std::to_string(root->vendorCode);
  std::fprintf(stderr, "  (%s)\n", origin.c_str());
}

int terminalColumns() {
  winsize ws{};
  if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0) return ws.ws_col;
  return 0;
}

Runner::Runner(Sessions& sessions, Output& output, const Options& options, bool interactive)
    : sessions_(sessions),
      output_(output),
      out_(&output),
      options_(options),
      interactive_(interactive),
      terminal_(isatty(STDIN_FILENO) != 0),
      verbose_(options.verbose) {
  format_.format = options.format;
}

Outcome Runner::runPiece(const Piece& piece, const std::string& name) {
  if (!out_) return Outcome::kOutputFailed;
  std::string where = name.empty() ? "" : name + ":" + std::to_string(piece.line);
  Outcome o;
  // Object strings end at a NUL: the text after it would be lost, and what is left may be
  // a different statement ("DELETE FROM t<NUL> WHERE ...").
  if (std::optional<std::pair<int, size_t>> nul = findNul(piece.text, piece.line)) {
    if (!name.empty()) where = name + ":" + std::to_string(nul->first);
    o = fail(where, "the text holds a NUL byte (byte " + std::to_string(nul->second) +
                        " of the line); it was not run");
  } else if (piece.kind == Piece::Kind::kMeta) {
    o = runMeta(piece.text, where);
  } else {
    o = runSql(piece.text, where);
  }
  out_.flush();
  if (!out_ || o == Outcome::kOutputFailed) {
    std::fprintf(stderr, "qzsql: cannot write %s: %s\n", current().name().c_str(),
                 std::strerror(current().error() != 0 ? current().error() : EIO));
    return Outcome::kOutputFailed;
  }
  if (o == Outcome::kFailed) anyFailed_ = true;
  if (o != Outcome::kInterrupted && interrupt::take()) {
    std::fputs("qzsql: interrupted\n", stderr);
    return Outcome::kInterrupted;
  }
  return o;
}

Outcome Runner::runText(std::istream& in, const std::string& name) {
  StatementSplitter splitter;
  std::string line;
  bool failed = false;
  auto drain = [&](std::optional<Piece> piece) -> std::optional<Outcome> {
    for (; piece; piece = splitter.next()) {
      Outcome o = runPiece(*piece, name);
      if (o == Outcome::kFailed) {
        failed = true;
        if (!options_.continueOnError) return o;
      } else if (o != Outcome::kOk) {
        return o;
      }
    }
    return std::nullopt;
  };
  errno = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    splitter.addLine(line);
    if (std::optional<Outcome> stop = drain(splitter.next())) return *stop;
    errno = 0;
  }
  // A read error (a folder, a failing disk) ends the loop like the end of the text does; the
  // statements not read must not pass for a script done. What is pending was not complete.
  if (in.bad()) {
    std::fprintf(stderr, "qzsql: cannot read %s: %s\n", name.c_str(),
                 std::strerror(errno != 0 ? errno : EIO));
    return Outcome::kInputFailed;
  }
  if (std::optional<Outcome> stop = drain(splitter.finish())) return *stop;
  return failed ? Outcome::kFailed : Outcome::kOk;
}

Outcome Runner::runSql(const std::string& sql, const std::string& where) {
  std::string stripped = stripComments(sql);
  if (stripped.empty()) return Outcome::kOk;
  if (interactive_) interrupt::setMode(interrupt::Mode::kBusy);
  format_.terminalWidth = terminalColumns();
  format_.interrupt = interrupt::flag();
  // A paged result is written whole first: only then is its height known.
  std::ostringstream paged;
  const bool toPager = paging();
  std::ostream& target = toPager ? static_cast<std::ostream&>(paged) : out_;
  std::unique_ptr<ResultWriter> writer = makeWriter(format_, target);
  Progress progress;
  std::function<void(int64_t)> onRow;
  if (!options_.output.empty() && isatty(STDERR_FILENO)) {
    onRow = [&progress](int64_t rows) { progress.update(rows); };
  }
  auto start = std::chrono::steady_clock::now();
  RunResult r;
  try {
    r = session().run(sql, *writer, interrupt::flag(), onRow);
  } catch (const CallFailed& e) {
    out_.flush();
    progress.finish(0);
    report(where, e);
    // A statement cancelled by Ctrl-C stops a script, --continue or not.
    return interrupt::take() ? Outcome::kInterrupted : Outcome::kFailed;
  }
  if (r.outputFailed) {
    progress.finish(r.rows);
    return Outcome::kOutputFailed;
  }
  double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  progress.finish(r.rows);
  if (r.query) {
    if (format_.format == Format::kAligned && !r.interrupted) target << "\n";
    if (toPager && !r.interrupted) page(paged.str());
  } else {
    std::string tag = firstWord(stripped);
    bool counted = isDataChange(tag) && r.updateCount >= 0;
    status(counted ? tag + " " + std::to_string(r.updateCount) : tag);
  }
  if (timing_) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Time: %.3f ms", ms);
    status(buffer);
  }
  out_.flush();
  if (interrupt::take() || r.interrupted) {
    if (r.interrupted) {
      std::fprintf(stderr, "qzsql: output stopped after %lld rows\n",
                   static_cast<long long>(r.rows));
    } else if (r.query) {
      std::fprintf(stderr, "qzsql: output stopped\n");
    } else {
      std::fprintf(stderr, "qzsql: interrupted (the statement had run to its end)\n");
    }
    return Outcome::kInterrupted;
  }
  return Outcome::kOk;
}

bool Runner::paging() const {
  if (!interactive_ || !pager_ || redirect_ || format_.format != Format::kAligned) return false;
  const char* pager = std::getenv("PAGER");
  return (!pager || *pager) && isatty(STDOUT_FILENO);
}

void Runner::page(const std::string& text) {
  winsize ws{};
  const long height = std::count(text.begin(), text.end(), '\n');
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) != 0 || ws.ws_row == 0 || height < ws.ws_row) {
    out_ << text;
    return;
  }
  out_.flush();
  const char* pager = std::getenv("PAGER");
  // A pager quit early closes its end: that is no failure of ours.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &previous);
  FILE* pipe = popen(pager ? pager : "less -RFX", "w");
  if (!pipe) {
    sigaction(SIGPIPE, &previous, nullptr);
    out_ << text;
    return;
  }
  std::fwrite(text.data(), 1, text.size(), pipe);
  pclose(pipe);
  sigaction(SIGPIPE, &previous, nullptr);
  interrupt::take();  // Ctrl-C in the pager was the pager's
}

namespace {

// One record of RFC 4180 CSV from text at *at; a field is nullopt when it was empty and
// unquoted (NULL), "" when it was "". False at the end of the text; *error when malformed.
bool readCsvRecord(const std::string& text, size_t* at, Row* record, std::string* error) {
  record->clear();
  size_t i = *at;
  if (i >= text.size()) return false;
  for (;;) {
    Cell field;
    if (i < text.size() && text[i] == '"') {
      std::string value;
      for (++i;; ++i) {
        if (i >= text.size()) {
          *error = "a quoted field is not closed";
          return false;
        }
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            value += '"';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        value += text[i];
      }
      field = value;
    } else {
      size_t end = text.find_first_of(",\r\n", i);
      if (end == std::string::npos) end = text.size();
      if (end > i) field = text.substr(i, end - i);
      i = end;
    }
    record->push_back(field);
    if (i < text.size() && text[i] == ',') {
      ++i;
      continue;
    }
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
    *at = i;
    return true;
  }
}

std::string sqlLiteral(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

// [+-]digits[.digits][e[+-]digits], or with the digits after the point only.
bool isNumberText(const std::string& t) {
  size_t i = 0;
  auto digits = [&] {
    size_t from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i - from;
  };
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t whole = digits();
  size_t fraction = 0;
  if (i < t.size() && t[i] == '.') {
    ++i;
    fraction = digits();
  }
  if (whole + fraction == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == t.size();
}

// A value as a literal for a column of that kind: numbers and booleans as such, so that a
// driver that checks types takes them; the rest quoted, for the database to convert.
std::string literal(const Cell& cell, ColumnKind kind) {
  if (!cell) return "NULL";
  if (kind == ColumnKind::kNumber && isNumberText(*cell)) return *cell;
  if (kind == ColumnKind::kBoolean) {
    const std::string v = lower(*cell);
    if (v == "t" || v == "true" || v == "1") return "TRUE";
    if (v == "f" || v == "false" || v == "0") return "FALSE";
  }
  return sqlLiteral(*cell);
}

// A column name quoted for the target, so that a name the target reserves (HSQLDB's AT, say)
// still names a column: a plain name of one case in the case the target keeps unquoted names
// in (lower for PostgreSQL, upper for the others), any other name as it is.
std::string columnName(const std::string& name, bool lowerCase) {
  bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0]));
  for (char c : name) plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
  std::string written = name;
  if (plain && (name == lower(name) || name == upper(name))) {
    written = lowerCase ? lower(name) : upper(name);
  }
  std::string out = "\"";
  for (char c : written) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// A file name as written, or in single quotes.
std::string fileName(const std::string& text) {
  std::string t = trimmed(text);
  if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'') return t.substr(1, t.size() - 2);
  return t;
}

constexpr int kCopyBatch = 500;
constexpr size_t kCopyBatchBytes = 1 << 20;

// Rows into a table by batches: one INSERT of up to kCopyBatch rows each (multi-row VALUES,
// which every driver of ours takes), committed as one transaction when auto-commit was on;
// inside the user's own transaction (auto-commit off) the rows stay in it, for the user to
// commit or roll back. Literals go as written for the time of the copy: bound, a date text
// would reach a strict driver as a character parameter.
class Inserter {
 public:
  Inserter(Session& target, const std::string& table, const std::vector<std::string>& columns,
           std::vector<ColumnKind> kinds)
      : target_(target), kinds_(std::move(kinds)) {
    head_ = "INSERT INTO " + table + " (";
    for (size_t c = 0; c < columns.size(); ++c) head_ += (c ? ", " : "") + columns[c];
    head_ += ") VALUES ";
  }

  // Throws CallFailed when the connection refuses the settings of the copy.
  void start() {
    binding_ = target_.binding();
    ownTransactions_ = target_.autoCommit();
    if (binding_ && !target_.setBinding(false)) refused("to send literals as written");
    if (ownTransactions_ && !target_.setAutoCommit(false)) refused("to turn auto-commit off");
  }
  void add(const Row& row) {
    pending_ += pendingRows_ == 0 ? "(" : ", (";
    for (size_t c = 0; c < row.size(); ++c) {
      pending_ += (c ? ", " : "") + literal(row[c], c < kinds_.size() ? kinds_[c] : kText);
    }
    pending_ += ")";
    if (++pendingRows_ >= kCopyBatch || pending_.size() >= kCopyBatchBytes) flush();
  }
  void finish() {
    flush();
    restore();
    finished_ = true;
  }
  // After a failure: the open batch rolled back, the settings back.
  void abandon() {
    if (finished_) return;
    if (ownTransactions_) {
      try {
        target_.rollback();
      } catch (const CallFailed&) {
        // The failure said first is the one to tell.
      }
    }
    try {
      restore();
    } catch (const CallFailed&) {
      // As above.
    }
  }
  int64_t rows() const { return rows_ + pendingRows_; }
  // Rows committed by the copy itself; nullopt when they are in the user's transaction.
  std::optional<int64_t> committed() const {
    return ownTransactions_ ? std::optional<int64_t>(committed_) : std::nullopt;
  }

 private:
  static constexpr ColumnKind kText = ColumnKind::kText;

  [[noreturn]] static void refused(const std::string& what) {
    throw CallFailed("copy", {{"qzsql", "the connection refused " + what}});
  }
  void flush() {
    if (pendingRows_ == 0) return;
    NullWriter none;
    target_.run(head_ + pending_, none, nullptr);
    rows_ += pendingRows_;
    pending_.clear();
    pendingRows_ = 0;
    if (ownTransactions_) {
      target_.commit();
      committed_ = rows_;
    }
  }
  void restore() {
    if (ownTransactions_ && !target_.autoCommit()) target_.setAutoCommit(true);
    if (binding_ && !target_.binding()) target_.setBinding(true);
  }

  Session& target_;
  std::vector<ColumnKind> kinds_;
  std::string head_;
  std::string pending_;
  int pendingRows_ = 0;
  int64_t rows_ = 0;
  int64_t committed_ = 0;
  bool binding_ = false;
  bool ownTransactions_ = false;
  bool finished_ = false;
};

bool findTable(Session& session, const std::string& name, std::string* schema, std::string* table);
const char* standardName(const std::string& name);

// The type a column of another database is made with: its standard name and size, from the
// JDBC type code (and the driver's name for the time zone, which PostgreSQL's driver leaves out
// of the code). A text or number without a bound is unbounded where the target has such a type.
std::string columnDefinition(const ColumnType& t, const std::string& dbms,
                             const std::string& name) {
  const char* standard = standardName(t.typeName);
  const std::string known = standard ? standard : upper(t.typeName);
  const bool postgres = dbms.find("postgres") != std::string::npos;
  // Unbounded text: a large object would cost HSQLDB a block per value, so a long VARCHAR
  // where the database has one (HSQLDB, H2: up to 1,000,000 characters).
  const std::string text = postgres || dbms.find("sqlite") != std::string::npos ? "TEXT"
                           : dbms.find("derby") != std::string::npos            ? "CLOB"
                                                                     : "VARCHAR(1000000)";
  const int32_t size = t.precision;
  switch (t.jdbcType) {
    case -7:
    case 16:
      return "BOOLEAN";
    case -6:
    case 5:
      return "SMALLINT";
    case 4:
      return "INTEGER";
    case -5:
      return "BIGINT";
    case 7:
      return "REAL";
    case 6:
    case 8:
      return "DOUBLE PRECISION";
    case 2:
    case 3:
      // Unconstrained (PostgreSQL's numeric reports 0, others a huge precision).
      if (size <= 0 || size > 1000) return postgres ? "NUMERIC" : "NUMERIC(38,10)";
      return "NUMERIC(" + std::to_string(size) + "," + std::to_string(t.scale) + ")";
    case 1:
    case -15:
      return size > 0 && size < 10000 ? "CHAR(" + std::to_string(size) + ")" : text;
    case 12:
    case -9:
      if (size > 0 && size < 10000000) return "VARCHAR(" + std::to_string(size) + ")";
      return text;
    case 91:
      return "DATE";
    case 92:
    case 2013:
      return known == "TIME WITH TIME ZONE" || t.jdbcType == 2013 ? "TIME WITH TIME ZONE" : "TIME";
    case 93:
    case 2014:
      return known == "TIMESTAMP WITH TIME ZONE" || t.jdbcType == 2014 ? "TIMESTAMP WITH TIME ZONE"
                                                                       : "TIMESTAMP";
    case -2:
    case -3:
    case -4:
    case 2004:
      throw CallFailed("copy", {{"qzsql", "column " + name +
                                              " is binary: \\copy between data sources "
                                              "takes text, numbers, booleans and dates"}});
    default:
      return text;
  }
}

// The query's rows into a table of another session, made like the result when it is not
// there.
class TableWriter : public ResultWriter {
 public:
  TableWriter(Session& target, std::string table)
      : ResultWriter(sink_), target_(target), table_(std::move(table)) {}
  bool wantsTypes() const override { return true; }
  void setTypes(std::vector<ColumnType> types) override { types_ = std::move(types); }
  void begin(const std::vector<std::string>& names) override {
    const std::string dbms = lower(target_.info().dbmsName);
    const bool postgres = dbms.find("postgres") != std::string::npos;
    std::vector<std::string> columns;
    for (const std::string& n : names) columns.push_back(columnName(n, postgres));
    std::string schema, found;
    if (!findTable(target_, table_, &schema, &found)) {
      std::string create = "CREATE TABLE " + table_ + " (";
      for (size_t c = 0; c < columns.size(); ++c) {
        create += (c ? ", " : "") + columns[c] + " " +
                  columnDefinition(c < types_.size() ? types_[c] : ColumnType{}, dbms, names[c]);
      }
      NullWriter none;
      // Inside the user's transaction the table is part of it, where the database says so.
      target_.run(create + ")", none, nullptr);
      created_ = true;
    }
    std::vector<ColumnKind> kinds;
    for (const ColumnType& t : types_) kinds.push_back(columnKind(t.jdbcType));
    inserter_.emplace(target_, table_, columns, std::move(kinds));
    inserter_->start();
  }
  void row(const Row& row) override { inserter_->add(row); }
  void end(int64_t) override { inserter_->finish(); }
  void stop(int64_t) override { inserter_->finish(); }
  void abandon() {
    if (inserter_) inserter_->abandon();
  }
  bool created() const { return created_; }
  const std::optional<Inserter>& inserter() const { return inserter_; }

 private:
  std::ostringstream sink_;
  Session& target_;
  std::string table_;
  std::vector<ColumnType> types_;
  std::optional<Inserter> inserter_;
  bool created_ = false;
};

}  // namespace

Outcome Runner::copy(const std::string& arg, const std::string& where) {
  const std::string usage =
      "\\copy takes TABLE FROM FILE, TABLE or (QUERY) TO FILE, or TABLE or (QUERY) TO @DSN TABLE";
  std::string source;
  size_t rest = 0;
  if (!arg.empty() && arg[0] == '(') {
    // The query ends at the parenthesis that closes the first one, outside quotes.
    int depth = 0;
    char quote = 0;
    for (size_t i = 0; i < arg.size() && rest == 0; ++i) {
      char c = arg[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        source = arg.substr(1, i - 1);
        rest = i + 1;
      }
    }
    if (rest == 0) return fail(where, usage);
  } else {
    rest = arg.find_first_of(" \t");
    if (rest == std::string::npos) return fail(where, usage);
    source = arg.substr(0, rest);
  }
  std::string tail = trimmed(arg.substr(rest));
  size_t space = tail.find_first_of(" \t");
  if (space == std::string::npos) return fail(where, usage);
  std::string direction = lower(tail.substr(0, space));
  std::string target = trimmed(tail.substr(space));
  std::string path = fileName(target);
  if (path.empty()) return fail(where, usage);
  if (direction == "from") {
    if (arg[0] == '(') return fail(where, usage);
    return copyFrom(source, path, where);
  }
  if (direction != "to") return fail(where, usage);
  const std::string sql = arg[0] == '(' ? source : "SELECT * FROM " + source;
  if (target[0] == '@') {
    std::istringstream words(target.substr(1));
    std::string dataSource, table, more;
    words >> dataSource >> table >> more;
    if (dataSource.empty() || table.empty() || !more.empty()) return fail(where, usage);
    return copyTo(sql, dataSource, table, where);
  }

  std::string error;
  std::unique_ptr<Output> file = Output::open(path, &error);
  if (!file) return fail(where, "cannot write " + path + ": " + error);
  std::ostream csv(file.get());
  FormatOptions options;
  options.format = Format::kCsv;
  std::unique_ptr<ResultWriter> writer = makeWriter(options, csv);
  Progress progress;
  std::function<void(int64_t)> onRow;
  if (isatty(STDERR_FILENO)) onRow = [&progress](int64_t rows) { progress.update(rows); };
  RunResult r = session().run(sql, *writer, interrupt::flag(), onRow);
  progress.finish(r.rows);
  csv.flush();
  if (!file->close() || r.outputFailed) {
    return fail(where, "cannot write " + path + ": " + std::strerror(file->error()));
  }
  if (r.interrupted) return Outcome::kInterrupted;
  std::fprintf(stderr, "COPY %lld\n", static_cast<long long>(r.rows));
  return Outcome::kOk;
}

Outcome Runner::copyTo(const std::string& sql, const std::string& dataSource,
                       const std::string& table, const std::string& where) {
  Session& source = session();
  Session* target = sessions_.find(dataSource);
  if (!target) {
    // Opened as \connect would, and left open; the current connection stays current.
    Login how;
    how.dataSource = dataSource;
    const char* envUser = std::getenv("QZSQL_USER");
    how.user = envUser ? envUser : kDefaultUser;
    how.askFirst = options_.promptPassword;
    how.terminal = terminal_;
    try {
      target = &login(sessions_, how);
    } catch (const CallFailed& e) {
      sessions_.makeCurrent(source);
      std::fprintf(stderr, "%sqzsql: cannot connect to data source \"%s\"\n", at(where).c_str(),
                   dataSource.c_str());
      reportError("", e, verbose_);
      connectHint(sessions_, e, dataSource);
      return Outcome::kFailed;
    }
    sessions_.makeCurrent(source);
  }
  if (target == &source) {
    return fail(where, "\\copy to a table of the same connection: INSERT INTO " + table +
                           " SELECT ... does that");
  }
  TableWriter writer(*target, table);
  Progress progress;
  std::function<void(int64_t)> onRow;
  if (isatty(STDERR_FILENO)) onRow = [&progress](int64_t rows) { progress.update(rows); };
  RunResult r;
  try {
    r = source.run(sql, writer, interrupt::flag(), onRow);
  } catch (const CallFailed& e) {
    const int64_t rows = writer.inserter() ? writer.inserter()->rows() : 0;
    progress.finish(rows);
    report(where, e);
    writer.abandon();
    if (writer.inserter() && writer.inserter()->committed()) {
      std::fprintf(stderr, "qzsql: %lld rows were copied before\n",
                   static_cast<long long>(*writer.inserter()->committed()));
    }
    return interrupt::take() ? Outcome::kInterrupted : Outcome::kFailed;
  }
  progress.finish(r.rows);
  if (r.interrupted) {
    std::fprintf(stderr, "qzsql: interrupted; %lld rows were copied\n",
                 static_cast<long long>(r.rows));
    return Outcome::kInterrupted;
  }
  std::fprintf(stderr, "COPY %lld\n", static_cast<long long>(r.rows));
  return Outcome::kOk;
}

Outcome Runner::copyFrom(const std::string& table, const std::string& path,
                         const std::string& where) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(where, "cannot read " + path + ": " + std::strerror(errno));
  std::ostringstream whole;
  whole << in.rdbuf();
  const std::string text = whole.str();
  size_t at = 0;
  Row header;
  std::string error;
  if (!readCsvRecord(text, &at, &header, &error)) {
    return fail(where, path + ": " + (error.empty() ? "no header line" : error));
  }
  std::vector<std::string> columns;
  for (const Cell& name : header) {
    if (!name || name->empty()) return fail(where, path + ": an empty column name in the header");
    columns.push_back(*name);
  }
  Inserter inserter(session(), table, columns, {});
  Progress progress;
  const bool showProgress = isatty(STDERR_FILENO) != 0;
  int line = 1;
  Row record;
  try {
    inserter.start();
    while (readCsvRecord(text, &at, &record, &error)) {
      ++line;
      if (record.size() == 1 && !record[0]) continue;  // an empty line
      if (record.size() != header.size()) {
        throw CallFailed(
            "copy",
            {{"qzsql", path + ":" + std::to_string(line) + ": " + std::to_string(record.size()) +
                           " fields, the header has " + std::to_string(header.size())}});
      }
      inserter.add(record);
      if (showProgress) progress.update(inserter.rows());
      if (interrupt::take()) {
        inserter.finish();
        throw CallFailed(
            "copy", {{"qzsql", "interrupted after " + std::to_string(inserter.rows()) + " rows"}});
      }
    }
    if (!error.empty()) {
      throw CallFailed("copy", {{"qzsql", path + ":" + std::to_string(line + 1) + ": " + error}});
    }
    inserter.finish();
  } catch (const CallFailed& e) {
    progress.finish(inserter.rows());
    report(where, e);
    inserter.abandon();
    if (inserter.committed()) {
      std::fprintf(stderr, "qzsql: %lld rows were copied before\n",
                   static_cast<long long>(*inserter.committed()));
    }
    return Outcome::kFailed;
  }
  progress.finish(inserter.rows());
  std::fprintf(stderr, "COPY %lld\n", static_cast<long long>(inserter.rows()));
  return Outcome::kOk;
}

Outcome Runner::redirect(const std::string& path, const std::string& where) {
  out_.flush();
  if (redirect_) {
    std::unique_ptr<Output> done = std::move(redirect_);
    out_.rdbuf(&output_);
    if (!done->close()) {
      return fail(where, "cannot write " + done->name() + ": " + std::strerror(done->error()));
    }
  }
  if (path.empty()) return Outcome::kOk;
  std::string error;
  std::unique_ptr<Output> file = Output::open(path, &error);
  if (!file) return fail(where, "cannot write " + path + ": " + error);
  redirect_ = std::move(file);
  out_.rdbuf(redirect_.get());
  return Outcome::kOk;
}

void Runner::status(const std::string& line) {
  if (format_.format == Format::kAligned) {
    out_ << line << "\n";
  } else if (interactive_) {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

void Runner::report(const std::string& where, const CallFailed& e) {
  reportError(where, e, verbose_);
  if (connectionLost(e)) {
    std::fprintf(stderr,
                 "qzsql: the connection to %s is gone; use \\connect (\\c) to connect again\n",
                 session().dataSource().c_str());
  }
}

Outcome Runner::reconnect(const std::string& arg, const std::string& where) {
  std::istringstream words(arg);
  std::string dataSource, user, more;
  words >> dataSource >> user >> more;
  if (!more.empty()) {
    return fail(where,
                "\\connect takes [DSN [USER]]; the password is asked for (or $QZSQL_PASSWORD)");
  }
  Session& now = session();
  if (dataSource.empty() || dataSource == "-") dataSource = now.dataSource();
  Login how;
  how.dataSource = dataSource;
  const bool same = sessions_.find(dataSource) == &now;
  if (user.empty() || user == "-") {
    const char* envUser = std::getenv("QZSQL_USER");
    user = same ? now.user() : envUser ? envUser : kDefaultUser;
  }
  how.user = user;
  if (same && user == now.user()) how.password = now.password();
  how.askFirst = options_.promptPassword;
  how.terminal = terminal_;
  try {
    login(sessions_, how);
  } catch (const CallFailed& e) {
    std::fprintf(stderr, "%sqzsql: cannot connect to data source \"%s\"\n", at(where).c_str(),
                 dataSource.c_str());
    reportError("", e, verbose_);
    connectHint(sessions_, e, dataSource);
    return Outcome::kFailed;
  }
  tableNames_.reset();
  std::fprintf(stderr, "Connected to data source \"%s\" as user \"%s\".\n",
               session().dataSource().c_str(), session().user().c_str());
  return Outcome::kOk;
}

Outcome Runner::fail(const std::string& where, const std::string& message) {
  std::fprintf(stderr, "%sERROR:  %s\n", at(where).c_str(), message.c_str());
  return Outcome::kFailed;
}

std::optional<bool> Runner::onOff(const std::string& word, bool current) {
  if (word.empty()) return !current;
  if (word == "on") return true;
  if (word == "off") return false;
  return std::nullopt;
}

Outcome Runner::toggle(const MetaArgs& a, bool* flag, const char* command, const char* state) {
  std::optional<bool> on = onOff(a.word, *flag);
  if (!on) return fail(a.where, std::string("\\") + command + " takes on or off");
  *flag = *on;
  std::fprintf(stderr, "%s %s.\n", state, *flag ? "on" : "off");
  return Outcome::kOk;
}

Outcome Runner::endTransaction(bool commit) {
  if (commit) {
    session().commit();
  } else {
    session().rollback();
  }
  status(commit ? "COMMIT" : "ROLLBACK");
  return Outcome::kOk;
}

std::span<const MetaCommand> Runner::metaCommands() {
  using A = const MetaArgs&;
  static const MetaCommand kCommands[] = {
      {{"c", "connect"},
       "[DSN [USER]]",
       "connect again, or to another data source (the password is asked for at a terminal; the "
       "others stay open for \\copy)",
       [](Runner& r, A a) { return r.reconnect(a.arg, a.where); }},
      {{"d"},
       "[TABLE]",
       "without a table, list the tables; with one ([schema.]name), its columns, keys and indexes",
       [](Runner& r, A a) { return a.arg.empty() ? r.listTables("") : r.describe(a.arg); }},
      {{"dt"},
       "[PATTERN]",
       "list the tables (PATTERN: SQL LIKE, as 'ORD%')",
       [](Runner& r, A a) { return r.listTables(a.arg); }},
      {{"dn"}, "", "list the schemas", [](Runner& r, A) { return r.listSchemas(); }},
      {{"conninfo"},
       "",
       "the connection and the database system",
       [](Runner& r, A) {
         r.connectionInfo();
         return Outcome::kOk;
       }},
      {{"l", "list"},
       "",
       "the data sources of jdbc.cfg",
       [](Runner& r, A) {
         r.out_ << formatDataSources(
             readDataSources([&r](const std::string& p) { return r.session().resolvePath(p); }));
         return Outcome::kOk;
       }},
      {{"commit"},
       "",
       "commit the transaction",
       [](Runner& r, A) { return r.endTransaction(true); }},
      {{"rollback"},
       "",
       "roll the transaction back",
       [](Runner& r, A) { return r.endTransaction(false); }},
      {{"autocommit"},
       "[on|off]",
       "show or set auto-commit (on after connect)",
       [](Runner& r, A a) {
         if (!a.word.empty()) {
           if (a.word != "on" && a.word != "off") {
             return r.fail(a.where, "\\autocommit takes on or off");
           }
           if (!r.session().setAutoCommit(a.word == "on")) {
             return r.fail(a.where, "the connection refused to change auto-commit");
           }
         }
         std::fprintf(stderr, "Auto-commit is %s.\n", r.session().autoCommit() ? "on" : "off");
         return Outcome::kOk;
       }},
      {{"bind"},
       "[on|off]",
       "bind quoted literals as parameters (off: SQL goes to the driver exactly as written, the "
       "default)",
       [](Runner& r, A a) {
         std::optional<bool> on = onOff(a.word, r.session().binding());
         if (!on) return r.fail(a.where, "\\bind takes on or off");
         if (!r.session().setBinding(*on)) {
           return r.fail(a.where, "the connection refused to change binding");
         }
         std::fprintf(stderr, "Binding of literals is %s.\n", *on ? "on" : "off");
         return Outcome::kOk;
       }},
      {{"timing"},
       "[on|off]",
       "show how long each statement took",
       [](Runner& r, A a) { return r.toggle(a, &r.timing_, "timing", "Timing is"); }},
      {{"x"},
       "[on|off|auto]",
       "expanded display: one line per field (auto: for wide rows)",
       [](Runner& r, A a) {
         Expanded& expanded = r.format_.expanded;
         if (a.word == "auto") {
           expanded = Expanded::kAuto;
         } else {
           std::optional<bool> on = onOff(a.word, expanded == Expanded::kOn);
           if (!on) return r.fail(a.where, "\\x takes on, off or auto");
           expanded = *on ? Expanded::kOn : Expanded::kOff;
         }
         const char* state = expanded == Expanded::kOn    ? "on"
                             : expanded == Expanded::kOff ? "off"
                                                          : "used for wide rows";
         std::fprintf(stderr, "Expanded display is %s.\n", state);
         return Outcome::kOk;
       }},
      {{"null"},
       "[TEXT]",
       "how NULL shows in aligned output (default: nothing)",
       [](Runner& r, A a) {
         r.format_.nullText = a.arg;
         std::fprintf(stderr, "NULL shows as \"%s\".\n", a.arg.c_str());
         return Outcome::kOk;
       }},
      {{"format"},
       "aligned|csv|tsv|json",
       "the output format",
       [](Runner& r, A a) {
         std::optional<Format> f = parseFormat(a.word);
         if (!f) return r.fail(a.where, "\\format takes aligned, csv, tsv or json");
         r.format_.format = *f;
         std::fprintf(stderr, "Output format is %s.\n", formatName(*f));
         return Outcome::kOk;
       }},
      {{"verbose"},
       "[on|off]",
       "show where an error came from in the engine",
       [](Runner& r, A a) { return r.toggle(a, &r.verbose_, "verbose", "Verbose errors are"); }},
      {{"o", "out"},
       "[FILE]",
       "send results to a file; without one, back to the output",
       [](Runner& r, A a) { return r.redirect(a.arg, a.where); }},
      {{"pset"},
       "pager [on|off]",
       "page results taller than the terminal ($PAGER)",
       [](Runner& r, A a) {
         if (lower(a.arg.substr(0, 5)) != "pager") {
           return r.fail(a.where, "\\pset takes pager [on|off]");
         }
         const size_t space = a.arg.find_first_of(" \t");
         MetaArgs pager = a;
         pager.word =
             lower(trimmed(a.arg.substr(space == std::string::npos ? a.arg.size() : space)));
         return r.toggle(pager, &r.pager_, "pset pager", "Pager usage is");
       }},
      {{"copy"},
       "TABLE FROM FILE | SOURCE TO FILE | SOURCE TO @DSN TABLE",
       "CSV with a header line, from a file into a table or from SOURCE (a table or a "
       "parenthesized query) to a file; to @DSN, into a table of another data source (open or "
       "opened as \\c would; the table made like the result if missing)",
       [](Runner& r, A a) { return r.copy(a.arg, a.where); }},
      {{"i"},
       "FILE",
       "run the statements of a file",
       [](Runner& r, A a) {
         if (a.arg.empty()) return r.fail(a.where, "\\i needs a file");
         if (r.includeDepth_ >= kMaxIncludeDepth) return r.fail(a.where, "\\i nested too deeply");
         std::ifstream in(a.arg);
         if (!in) return r.fail(a.where, "cannot read " + a.arg + ": " + std::strerror(errno));
         ++r.includeDepth_;
         Outcome o = r.runText(in, a.arg);
         --r.includeDepth_;
         return o;
       }},
      {{"q", "quit"}, "", "quit (or Ctrl-D)", [](Runner&, A) { return Outcome::kQuit; }},
      {{"?", "help"},
       "",
       "this help",
       [](Runner&, A) {
         std::fputs(metaHelp().c_str(), stderr);
         return Outcome::kOk;
       }},
  };
  return kCommands;
}

Outcome Runner::runMeta(const std::string& line, const std::string& where) {
  std::string body = trimmed(line.substr(1));
  size_t space = body.find_first_of(" \t");
  std::string command = body.substr(0, space);
  MetaArgs a;
  a.arg = space == std::string::npos ? "" : trimmed(body.substr(space));
  // "\d t;" is a habit worth forgiving.
  while (!a.arg.empty() && a.arg.back() == ';') a.arg = trimmed(a.arg.substr(0, a.arg.size() - 1));
  a.word = lower(a.arg);
  a.where = where;
  for (const MetaCommand& m : metaCommands()) {
    if (command != m.names[0] && (!m.names[1] || command != m.names[1])) continue;
    try {
      return m.run(*this, a);
    } catch (const CallFailed& e) {
      report(where, e);
      return Outcome::kFailed;
    }
  }
  return fail(where, "unknown meta-command \\" + command + " (\\? lists them)");
}

std::string metaHelp() {
  // The help text starts at this column and lines end before kWidth.
  constexpr size_t kTextColumn = 24;
  constexpr size_t kWidth = 80;
  std::string out = "Statements end with ';' and may span lines. Meta-commands:\n";
  for (const MetaCommand& m : Runner::metaCommands()) {
    std::string line = "  \\" + std::string(m.names[0]);
    if (m.names[1]) line += ", \\" + std::string(m.names[1]);
    if (*m.synopsis) line += " " + std::string(m.synopsis);
    if (line.size() + 2 > kTextColumn) {
      out += line + "\n";
      line.clear();
    }
    line.resize(kTextColumn, ' ');
    std::istringstream words(m.help);
    for (std::string word; words >> word;) {
      if (line.size() > kTextColumn && line.size() + 1 + word.size() > kWidth) {
        out += line + "\n";
        line.assign(kTextColumn, ' ');
      }
      if (line.size() > kTextColumn) line += ' ';
      line += word;
    }
    out += line + "\n";
  }
  out +=
      "Ctrl-C cancels the running statement and stops the output of a long result; at the\n"
      "prompt it drops the line being typed.\n";
  return out;
}

std::vector<std::string> metaCommandNames() {
  std::vector<std::string> names;
  for (const MetaCommand& m : Runner::metaCommands()) {
    for (const char* name : m.names) {
      if (name) names.push_back("\\" + std::string(name));
    }
  }
  return names;
}

namespace {

// Schemas of the database system itself, by the names the five drivers give them.
bool isSystemSchema(const std::string& schema) {
  static constexpr const char* kSystem[] = {"INFORMATION_SCHEMA",
                                            "SYSTEM_LOBS",
                                            "SYS",
                                            "SYSCAT",
                                            "SYSCS_DIAG",
                                            "SYSCS_UTIL",
                                            "SYSFUN",
                                            "SYSIBM",
                                            "SYSPROC",
                                            "SYSSTAT",
                                            "NULLID",
                                            "SQLJ",
                                            "PG_CATALOG"};
  const std::string u = upper(schema);
  if (u.rfind("PG_TOAST", 0) == 0 || u.rfind("PG_TEMP", 0) == 0) return true;
  return std::find(std::begin(kSystem), std::end(kSystem), u) != std::end(kSystem);
}

// Table types a user made: not the system's, not indexes, sequences or types, which some
// drivers list among the tables.
bool isUserTableType(const std::string& type) {
  const std::string u = upper(type);
  for (const char* word : {"SYSTEM", "INDEX", "SEQUENCE", "TYPE", "TOAST"}) {
    if (u.find(word) != std::string::npos) return false;
  }
  return true;
}

// The standard names of PostgreSQL's internal type names, the same as other drivers report.
const char* standardName(const std::string& name) {
  static constexpr std::pair<const char*, const char*> kAliases[] = {
      {"bool", "BOOLEAN"},        {"int2", "SMALLINT"},
      {"int4", "INTEGER"},        {"int8", "BIGINT"},
      {"float4", "REAL"},         {"float8", "DOUBLE PRECISION"},
      {"numeric", "NUMERIC"},     {"varchar", "VARCHAR"},
      {"bpchar", "CHAR"},         {"date", "DATE"},
      {"time", "TIME"},           {"timetz", "TIME WITH TIME ZONE"},
      {"timestamp", "TIMESTAMP"}, {"timestamptz", "TIMESTAMP WITH TIME ZONE"},
      {"serial", "INTEGER"},      {"bigserial", "BIGINT"},
      {"smallserial", "SMALLINT"}};
  for (const auto& [alias, standard] : kAliases) {
    if (name == alias) return standard;
  }
  return nullptr;
}

// The type as the database writes it, with its length or precision where it takes one.
std::string typeText(const MetaList& l, const Row& r) {
  std::string name = l.text(r, "TYPE_NAME");
  if (name.find('(') != std::string::npos) return name;
  if (const char* standard = standardName(name)) name = standard;
  const int type = std::atoi(l.text(r, "DATA_TYPE").c_str());
  const long size = std::atol(l.text(r, "COLUMN_SIZE").c_str());
  const std::string digits = l.text(r, "DECIMAL_DIGITS");
  switch (type) {
    case 1:
    case 12:
    case -15:
    case -9:
    case -2:
    case -3:  // (N)CHAR, (N)VARCHAR, (VAR)BINARY
      // Without a length drivers report a huge one (PostgreSQL 2^31-1, SQLite 2*10^9).
      if (size > 0 && size < 1000000000) name += "(" + std::to_string(size) + ")";
      break;
    case 2:
    case 3:  // NUMERIC, DECIMAL; an unconstrained one reports a huge precision
      if (size > 0 && size < 1000) {
        name += "(" + std::to_string(size) + (digits.empty() ? "" : "," + digits) + ")";
      }
      break;
    default:
      break;
  }
  return name;
}

// "a, b" from the rows of one key or index, in their KEY_SEQ or ORDINAL_POSITION order.
std::string columnList(const MetaList& l, std::vector<const Row*> rows, const char* order,
                       const char* column) {
  std::stable_sort(rows.begin(), rows.end(), [&](const Row* a, const Row* b) {
    return std::atoi(l.text(*a, order).c_str()) < std::atoi(l.text(*b, order).c_str());
  });
  std::string out;
  for (const Row* r : rows) out += (out.empty() ? "" : ", ") + l.text(*r, column);
  return out;
}

// Rows grouped by a key, the groups in the order of their first rows; rows whose key is empty
// are left out.
using RowGroups = std::vector<std::pair<std::string, std::vector<const Row*>>>;
template <class KeyFn>
RowGroups groupRows(const MetaList& list, KeyFn key) {
  RowGroups groups;
  for (const Row& r : list.rows) {
    std::string k = key(r);
    if (k.empty()) continue;
    auto it =
        std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == k; });
    if (it == groups.end()) {
      groups.push_back({k, {}});
      it = groups.end() - 1;
    }
    it->second.push_back(&r);
  }
  return groups;
}

std::string unquoted(const std::string& s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

bool findTable(Session& session, const std::string& name, std::string* schema, std::string* table) {
  // schema.table; unquoted names are stored in upper or in lower case, by database.
  size_t dot = name.find('.');
  std::string inSchema = dot == std::string::npos ? "" : unquoted(name.substr(0, dot));
  std::string bare = unquoted(dot == std::string::npos ? name : name.substr(dot + 1));
  bool found = false;
  for (const std::string& candidate : {bare, upper(bare), lower(bare)}) {
    // The name is a pattern to the driver ('_' matches any character): only exact matches.
    MetaList tables = session.metadata("tables", inSchema, candidate);
    for (const Row& r : tables.rows) {
      if (tables.text(r, "TABLE_NAME") != candidate) continue;
      *schema = tables.text(r, "TABLE_SCHEM");
      *table = candidate;
      found = true;
      if (!isSystemSchema(*schema)) break;
    }
    if (found) return true;
  }
  return false;
}

}  // namespace

Outcome Runner::describe(const std::string& name) {
  std::string foundSchema;
  std::string foundName;
  if (!findTable(session(), name, &foundSchema, &foundName)) {
    return fail("", "no table named \"" + name + "\"");
  }

  MetaList columns = session().metadata("columns", foundSchema, foundName);
  out_ << "Table \"" << (foundSchema.empty() ? foundName : foundSchema + "." + foundName) << "\"\n";
  FormatOptions aligned;
  aligned.format = Format::kAligned;
  aligned.nullText = format_.nullText;
  std::unique_ptr<ResultWriter> w = makeWriter(aligned, out_);
  w->begin({"Column", "Type", "Nullable", "Default"});
  std::vector<const Row*> ordered;
  for (const Row& r : columns.rows) {
    if (columns.text(r, "TABLE_NAME") == foundName) ordered.push_back(&r);
  }
  std::stable_sort(ordered.begin(), ordered.end(), [&](const Row* a, const Row* b) {
    return std::atoi(columns.text(*a, "ORDINAL_POSITION").c_str()) <
           std::atoi(columns.text(*b, "ORDINAL_POSITION").c_str());
  });
  for (const Row* r : ordered) {
    std::string def = columns.text(*r, "COLUMN_DEF");
    w->row({columns.text(*r, "COLUMN_NAME"), typeText(columns, *r),
            columns.text(*r, "IS_NULLABLE") == "NO" ? "not null" : "",
            def.empty() ? Cell("") : Cell(def)});
  }
  w->end(static_cast<int64_t>(ordered.size()));

  MetaList primary = session().metadata("primarykeys", foundSchema, foundName);
  if (!primary.rows.empty()) {
    std::vector<const Row*> rows;
    for (const Row& r : primary.rows) rows.push_back(&r);
    std::string keyName = primary.text(primary.rows.front(), "PK_NAME");
    out_ << "Primary key: " << (keyName.empty() ? "" : keyName + " ") << "("
         << columnList(primary, rows, "KEY_SEQ", "COLUMN_NAME") << ")\n";
  }
  MetaList foreign = session().metadata("foreignkeys", foundSchema, foundName);
  if (!foreign.rows.empty()) {
    out_ << "Foreign keys:\n";
    // One key per name and referenced table; a key without a name is one per table.
    const RowGroups keys = groupRows(foreign, [&](const Row& r) {
      return foreign.text(r, "FK_NAME") + "\n" + foreign.text(r, "PKTABLE_SCHEM") + "." +
             foreign.text(r, "PKTABLE_NAME");
    });
    for (const auto& [id, rows] : keys) {
      const Row& first = *rows.front();
      std::string keyName = foreign.text(first, "FK_NAME");
      std::string target = foreign.text(first, "PKTABLE_SCHEM");
      target += (target.empty() ? "" : ".") + foreign.text(first, "PKTABLE_NAME");
      out_ << "    " << (keyName.empty() ? "" : keyName + " ") << "("
           << columnList(foreign, rows, "KEY_SEQ", "FKCOLUMN_NAME") << ") REFERENCES " << target
           << " (" << columnList(foreign, rows, "KEY_SEQ", "PKCOLUMN_NAME") << ")\n";
    }
  }
  MetaList indexes = session().metadata("indexes", foundSchema, foundName);
  // A row without an index name is the table's statistics, no index.
  const RowGroups byName =
      groupRows(indexes, [&](const Row& r) { return indexes.text(r, "INDEX_NAME"); });
  if (!byName.empty()) {
    out_ << "Indexes:\n";
    for (const auto& [index, rows] : byName) {
      std::string nonUnique = lower(indexes.text(*rows.front(), "NON_UNIQUE"));
      bool unique = nonUnique == "false" || nonUnique == "0" || nonUnique == "f";
      out_ << "    " << index << (unique ? " UNIQUE" : "") << " ("
           << columnList(indexes, rows, "ORDINAL_POSITION", "COLUMN_NAME") << ")\n";
    }
  }
  out_ << "\n";
  return Outcome::kOk;
}

Outcome Runner::listTables(const std::string& pattern) {
  // An unquoted name is stored in one case: a pattern that finds nothing as typed is tried
  // in upper and then in lower case.
  MetaList tables = session().metadata("tables", "", pattern);
  for (const std::string& other : {upper(pattern), lower(pattern)}) {
    if (!tables.rows.empty() || other == pattern) continue;
    tables = session().metadata("tables", "", other);
  }
  FormatOptions aligned;
  aligned.format = Format::kAligned;
  std::unique_ptr<ResultWriter> w = makeWriter(aligned, out_);
  w->begin({"Schema", "Name", "Type"});
  std::vector<Row> rows;
  for (const Row& r : tables.rows) {
    std::string schema = tables.text(r, "TABLE_SCHEM");
    std::string type = tables.text(r, "TABLE_TYPE");
    if (isSystemSchema(schema) || !isUserTableType(type)) continue;
    rows.push_back({schema, tables.text(r, "TABLE_NAME"), type});
  }
  std::stable_sort(rows.begin(), rows.end());
  for (const Row& r : rows) w->row(r);
  w->end(static_cast<int64_t>(rows.size()));
  out_ << "\n";
  return Outcome::kOk;
}

const std::vector<std::string>& Runner::tableNames() {
  if (tableNames_) return *tableNames_;
  tableNames_.emplace();
  try {
    MetaList tables = session().metadata("tables", "", "");
    for (const Row& r : tables.rows) {
      if (isSystemSchema(tables.text(r, "TABLE_SCHEM"))) continue;
      if (!isUserTableType(tables.text(r, "TABLE_TYPE"))) continue;
      tableNames_->push_back(tables.text(r, "TABLE_NAME"));
    }
  } catch (const CallFailed&) {
    // Completion goes on with the keywords alone.
  }
  return *tableNames_;
}

Outcome Runner::listSchemas() {
  MetaList schemas = session().metadata("schemas", "", "");
  FormatOptions aligned;
  aligned.format = Format::kAligned;
  std::unique_ptr<ResultWriter> w = makeWriter(aligned, out_);
  w->begin({"Schema"});
  std::vector<Row> rows;
  for (const Row& r : schemas.rows) {
    std::string schema = schemas.text(r, "TABLE_SCHEM");
    if (!isSystemSchema(schema)) rows.push_back({schema});
  }
  std::stable_sort(rows.begin(), rows.end());
  for (const Row& r : rows) w->row(r);
  w->end(static_cast<int64_t>(rows.size()));
  out_ << "\n";
  return Outcome::kOk;
}

void Runner::connectionInfo() {
  ConnectionInfo i = session().info();
  const char* state = i.state == 1 ? "open" : i.state == 2 ? "closed" : "unknown";
  out_ << "Data source:   " << i.dataSource << "\n"
       << "User:          " << i.user << "\n"
       << "Database:      " << i.databaseName << "\n"
       << "DBMS:          " << i.dbmsName << " " << i.dbmsVersion << "\n"
       << "Connection:    " << state << "\n"
       << "Auto-commit:   " << (session().autoCommit() ? "on" : "off") << "\n"
       << "Engine class:  " << i.classId << "\n";
}

}  // namespace qzsql
