// Runs what the user typed or a script holds: SQL statements through the session, and the
// meta-commands (\d, \conninfo, \commit, \rollback, \autocommit, \timing, \x, \null,
// \format, \i, \q, \?).
//
// Results go to the output stream; messages, errors and progress to standard error. In a
// script a failure stops the run unless --continue was given; at the prompt it is reported
// and the session goes on.
//
// Thread rule: one thread. Ownership: the runner uses the session and the stream it is
// given; both outlive it.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "tools/qzsql/dispatch.h"
#include "tools/qzsql/format.h"
#include "tools/qzsql/options.h"
#include "tools/qzsql/session.h"
#include "tools/qzsql/statements.h"

namespace qzsql {

enum class Outcome { kOk, kFailed, kQuit, kInterrupted };

class Runner {
 public:
  Runner(Session& session, std::ostream& out, const Options& options, bool interactive);

  // One statement or meta-command. where ("file:3") goes in front of messages; empty at the
  // prompt.
  Outcome runPiece(const Piece& piece, const std::string& where);
  // Every piece of a text, in order. Stops at the first failure unless --continue, at \q and
  // at Ctrl-C. name is what messages call the text ("script.sql", "-c").
  Outcome runText(std::istream& in, const std::string& name);

  bool anyFailed() const { return anyFailed_; }

 private:
  Outcome runSql(const std::string& sql, const std::string& where);
  Outcome runMeta(const std::string& line, const std::string& where);
  Outcome describe(const std::string& name);
  Outcome listTables(const std::string& where);
  void connectionInfo();
  void status(const std::string& line);
  Outcome fail(const std::string& where, const std::string& message);

  Session& session_;
  std::ostream& out_;
  const Options& options_;
  bool interactive_;
  FormatOptions format_;
  bool timing_ = false;
  bool anyFailed_ = false;
  int includeDepth_ = 0;
};

// Writes a failed call to standard error: the driver's message first, then where it came
// from (every level of the call exception).
void reportError(const std::string& where, const CallFailed& e);

// Columns of the terminal on standard output, or 0 when it is not a terminal.
int terminalColumns();

extern const char* const kMetaHelp;

}  // namespace qzsql
