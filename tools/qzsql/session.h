// One qzsql session: our qzCom host with the engine loaded, and one connection object
// ("DATABASE.JDBCDB") driven by member name, as a script drives it. Queries are read through
// a record set and its field accessor; updates run through the record set's SQL execution
// object, whose update count the record set's Count reports; table and connection
// information come from the JDBC metadata lists of SQLEXEC's metadata member and from
// DATABASEINFO.
//
// Every value is read as text: a type map set up at connect tells the record set to treat
// every JDBC type as text, so that numbers keep all their digits (the record set's own
// mapping gives decimal numbers an 8-byte buffer and reads integers as 32-bit) and dates
// read as the driver writes them. A value longer than its column's buffer, or of a column
// with none, is read whole through FullText: nothing arrives cut.
//
// SQL goes to the driver as written (the connection's VERBATIM option) unless binding is
// switched on, and the empty text reads apart from NULL (EMPTYISNULL off).
//
// Failures of the objects arrive as CallFailed (dispatch.h).
//
// Thread rule: one thread. Ownership: the host outlives its sessions; Sessions owns the
// sessions open in the process.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"
#include "tools/qzsql/dispatch.h"
#include "tools/qzsql/format.h"

namespace qzsql {

struct RunResult {
  bool query = false;
  int64_t rows = 0;           // rows written, for a query
  int32_t updateCount = 0;    // for an update; -1 when the engine could not tell
  bool interrupted = false;   // the output of a query was stopped
  bool outputFailed = false;  // the writer's stream failed: the rest was not read
};

struct ConnectionInfo {
  std::string dataSource;
  std::string user;
  std::string databaseName;  // ServerDB of jdbc.cfg
  std::string dbmsName;
  std::string dbmsVersion;
  int32_t state = 0;  // 1 open, 2 closed, 0 unknown
  std::string classId;
};

// Rows of a JDBC metadata list (DatabaseMetaData.getTables and the like), every value text.
struct MetaList {
  std::vector<std::string> names;
  std::vector<Row> rows;
  // The column of that name (upper case as JDBC names them; drivers' case ignored).
  std::optional<int> column(const std::string& name) const;
  // The value of the named column in row, "" for NULL or a column the driver left out.
  std::string text(const Row& row, const std::string& name) const;
};

class Session {
 public:
  explicit Session(qz::host::Host& host) : host_(host) {}
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Creates the connection object and connects it. Throws CallFailed.
  void connect(const std::string& dataSource, const std::string& user, const std::string& password);
  bool connected() const { return connected_; }
  const std::string& dataSource() const { return dataSource_; }
  const std::string& user() const { return user_; }
  // The password the connection was made with, for \connect to make it again.
  const std::string& password() const { return password_; }

  // Runs one statement as typed (without its ";") and writes a query's rows. interrupt is
  // looked at between rows; progress is called after every row with the count so far.
  RunResult run(const std::string& sql, ResultWriter& writer,
                const volatile std::sig_atomic_t* interrupt,
                const std::function<void(int64_t)>& progress = {});

  void commit();
  void rollback();
  // False when the connection refused the option.
  bool setAutoCommit(bool on);
  bool autoCommit() const { return autoCommit_; }
  // Quoted literals of queries and data changes bound as parameters (off: the text goes to
  // the driver as written). False when the connection refused the option.
  bool setBinding(bool on);
  bool binding() const { return binding_; }

  ConnectionInfo info();
  // A list of the connection's JDBC metadata (SQLEXEC's metadata member): what is "tables",
  // "schemas", "columns", "primarykeys", "foreignkeys" or "indexes"; schema "" for any.
  // Throws CallFailed.
  MetaList metadata(const std::string& what, const std::string& schema, const std::string& table);

  // Expands installation variables in a path through the host's zeltools.zelenvcfg.
  std::string resolvePath(const std::string& path);

 private:
  void readResult(const Object& recordSet, const Object& exec, ResultWriter& writer,
                  const volatile std::sig_atomic_t* interrupt,
                  const std::function<void(int64_t)>& progress, RunResult& result);
  Object newChild(const char* name);

  qz::host::Host& host_;
  Object db_;
  std::string dataSource_;
  std::string user_;
  std::string password_;
  bool connected_ = false;
  bool autoCommit_ = true;
  bool binding_ = false;
};

// Expands installation variables in a path through the host's zeltools.zelenvcfg.
std::string resolvePath(qz::host::Host& host, const std::string& path);

// Whether a failure says the connection itself is gone (SQL state class 08, or the server
// ending the session: 57P01 to 57P03), so that only a new connection helps.
bool connectionLost(const CallFailed& e);

// The connections open in the process, one per data source; one of them is current. They
// stay open when another becomes current, for \copy between data sources.
class Sessions {
 public:
  explicit Sessions(qz::host::Host& host) : host_(host) {}

  // Connects a new session for the data source and makes it current; an open session of the
  // same data source is closed once the new one is made. Throws CallFailed, and then
  // everything stays as it was.
  Session& connect(const std::string& dataSource, const std::string& user,
                   const std::string& password);
  // REQUIRES: a connect has succeeded.
  Session& current() { return *current_; }
  // REQUIRES: session is one of these.
  void makeCurrent(Session& session) { current_ = &session; }
  // The open session of a data source (as named; case ignored), or null.
  Session* find(const std::string& dataSource);
  qz::host::Host& host() { return host_; }

 private:
  qz::host::Host& host_;
  std::vector<std::unique_ptr<Session>> open_;
  Session* current_ = nullptr;
};

}  // namespace qzsql
