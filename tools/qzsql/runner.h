// Runs what the user typed or a script holds: SQL statements through the session, and the
// meta-commands of Runner::metaCommands (\connect, \d, \copy, \q, ...), which \? lists.
//
// At the prompt, a result taller than the terminal goes through the pager ($PAGER, else
// "less -RFX"; an empty PAGER or \pset pager off writes it straight).
//
// Results go to the output; messages, errors and progress to standard error. In a script a
// failure stops the run unless --continue was given; at the prompt it is reported and the
// session goes on. Output that cannot be written stops everything: what follows would be
// lost too.
//
// Thread rule: one thread. Ownership: the runner uses the session and the output it is
// given; both outlive it.
#pragma once

#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tools/qzsql/dispatch.h"
#include "tools/qzsql/format.h"
#include "tools/qzsql/options.h"
#include "tools/qzsql/output.h"
#include "tools/qzsql/session.h"
#include "tools/qzsql/statements.h"

namespace qzsql {

// kInputFailed: a script could not be read to its end; kOutputFailed: results could not be
// written. Both stop the run, --continue or not.
enum class Outcome { kOk, kFailed, kQuit, kInterrupted, kInputFailed, kOutputFailed };

class Runner;

// What a meta-command is given: its argument as typed (trimmed, a trailing ';' dropped), the
// argument in lower case, and where the line came from, for messages.
struct MetaArgs {
  std::string arg;
  std::string word;
  std::string where;
};

// A meta-command: the names it answers to (the second may be null), the synopsis of its
// argument and its help text for \?, and what runs it.
struct MetaCommand {
  const char* names[2];
  const char* synopsis;
  const char* help;
  Outcome (*run)(Runner& runner, const MetaArgs& args);
};

class Runner {
 public:
  Runner(Sessions& sessions, Output& output, const Options& options, bool interactive);

  // One statement or meta-command. name ("script.sql", "-c") and the line go in front of
  // messages; name is empty at the prompt.
  Outcome runPiece(const Piece& piece, const std::string& name);
  // Every piece of a text, in order. Stops at the first failure unless --continue, at \q and
  // at Ctrl-C. name is what messages call the text ("script.sql", "-c").
  Outcome runText(std::istream& in, const std::string& name);

  bool anyFailed() const { return anyFailed_; }
  // The current connection's data source, for the prompt.
  const std::string& dataSource() { return session().dataSource(); }
  // The tables of the connection, for completion: read once per session; none when the
  // driver cannot list them.
  const std::vector<std::string>& tableNames();

  // Every meta-command, in the order \? lists them.
  static std::span<const MetaCommand> metaCommands();

 private:
  Outcome runSql(const std::string& sql, const std::string& where);
  Outcome runMeta(const std::string& line, const std::string& where);
  Outcome describe(const std::string& name);
  Outcome listTables(const std::string& pattern);
  Outcome listSchemas();
  void connectionInfo();
  void status(const std::string& line);
  Outcome fail(const std::string& where, const std::string& message);
  // The on/off argument of a switch: empty is the other of current; nullopt when neither.
  static std::optional<bool> onOff(const std::string& word, bool current);
  // \commit and \rollback.
  Outcome endTransaction(bool commit);
  // \timing, \verbose, \pset pager: sets *flag by onOff and says so ("<state> on.").
  Outcome toggle(const MetaArgs& a, bool* flag, const char* command, const char* state);
  // \o: results to a file, or back to where they went at the start.
  Outcome redirect(const std::string& path, const std::string& where);
  // \copy SOURCE TO FILE (a table or a parenthesized query, as CSV with a header line) and
  // \copy TABLE FROM FILE (CSV with a header line naming the columns).
  Outcome copy(const std::string& arg, const std::string& where);
  Outcome copyFrom(const std::string& table, const std::string& path, const std::string& where);
  // \copy SOURCE TO @DSN TABLE: the rows of the query into a table of another connection.
  Outcome copyTo(const std::string& sql, const std::string& dataSource, const std::string& table,
                 const std::string& where);
  Output& current() { return redirect_ ? *redirect_ : output_; }
  bool paging() const;
  // Writes text through the pager when it is taller than the terminal, else to the output.
  void page(const std::string& text);

  Session& session() { return sessions_.current(); }
  // \connect [DSN [USER]]: a new connection, made current.
  Outcome reconnect(const std::string& arg, const std::string& where);
  // Reports a failed call, and how to go on when the connection is gone.
  void report(const std::string& where, const CallFailed& e);

  Sessions& sessions_;
  Output& output_;
  std::unique_ptr<Output> redirect_;  // \o FILE
  std::ostream out_;
  bool pager_ = true;
  const Options& options_;
  bool interactive_;
  bool terminal_;  // standard input is one: a password can be asked for
  FormatOptions format_;
  bool timing_ = false;
  bool verbose_ = false;
  bool anyFailed_ = false;
  int includeDepth_ = 0;
  std::optional<std::vector<std::string>> tableNames_;
};

// Writes a failed call to standard error: "ERROR:  STATE: message", the driver's message
// without a severity word of its own; verbose adds where it came from (every level of the
// call exception).
void reportError(const std::string& where, const CallFailed& e, bool verbose);

// The message without a leading severity word ("ERROR: relation ..." -> "relation ...").
std::string withoutSeverity(const std::string& message);

// Where the first NUL byte of a text is: the line (counted from firstLine) and the byte of
// that line, from 1; nullopt when there is none.
std::optional<std::pair<int, size_t>> findNul(const std::string& text, int firstLine);

// Columns of the terminal on standard output, or 0 when it is not a terminal.
int terminalColumns();

// The text of \?: the meta-commands with their synopses and help, from metaCommands.
std::string metaHelp();
// Every name of every meta-command, backslash included, for completion.
std::vector<std::string> metaCommandNames();

}  // namespace qzsql
