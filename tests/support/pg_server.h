// A private PostgreSQL server for tests: its own temporary folder, port and watchdog.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace qztest {

class PgServerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Starts initdb and postgres in a fresh folder under /tmp on a free port of 127.0.0.1, with a
// database "qz" owned by a password role "qz". The server runs as the user "postgres" when
// the test runs as root. A watchdog process stops the server and removes the folder when
// this object is destroyed or its process dies, however it dies.
class PgServer {
 public:
  // Where the server binaries are: $QZ_PG_BINDIR, else the PostgreSQL 15 package's folder.
  static std::string binDir();
  // Why no server can start here, or "" when one can.
  static std::string unavailableReason();

  // Throws PgServerError, carrying the server log, when the server does not come up.
  PgServer();
  ~PgServer();
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  int port() const { return port_; }
  const std::string& user() const { return user_; }
  const std::string& password() const { return password_; }
  const std::string& folder() const { return root_; }
  std::string jdbcUrl(const std::string& database = "qz") const;

  // Runs the SQL text through psql -At as the superuser and returns its output without the
  // final newline; throws PgServerError with psql's messages when a statement fails.
  std::string runSql(const std::string& sql, const std::string& database = "qz") const;
  // A further database owned by user().
  void createDatabase(const std::string& name) const;

  // Stops the server as a crash would (pg_ctl stop -m immediate: no checkpoint, every
  // connection cut) and waits until the postmaster has exited. Throws PgServerError on failure.
  void stopImmediately();
  // Starts the server again on the same folder and port (it recovers from the crash first) and
  // waits until it accepts connections.
  void restart();
  bool running() const;

 private:
  void start();
  void stop() noexcept;
  void launch();
  void waitReady();
  [[noreturn]] void watch(int control, int status, pid_t postmaster) const;
  void becomeServerUser() const;
  std::vector<std::string> childEnvironment() const;
  pid_t spawn(std::vector<std::string> args, int outFd, const std::string& errPath,
              bool truncateErr) const;
  int run(const std::vector<std::string>& args) const;
  void writeFile(const std::string& path, const std::string& text) const;
  PgServerError failure(const std::string& what) const;

  std::string binDir_;
  std::string user_ = "qz";
  std::string password_ = "qz-test-secret";
  bool dropPrivileges_ = false;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  pid_t owner_;
  std::string root_;
  std::string log_;
  int port_ = 0;
  pid_t supervisor_ = -1;
  int controlFd_ = -1;  // closing it tells the watchdog to stop the server
  int statusFd_ = -1;   // reaches end of file when the postmaster has exited
  // Watchdogs of servers stopped by stopImmediately, with their control pipes: kept open until
  // the end, since a watchdog told to stop removes the folder the restarted server uses.
  std::vector<std::pair<pid_t, int>> retired_;
  bool started_ = false;
  mutable std::mutex mutex_;
};

// One server per test binary, started on first use and stopped when the tests end.
class PgEnvironment : public ::testing::Environment {
 public:
  void TearDown() override;
};

// Throws PgServerError when the shared server could not start (and keeps failing fast).
PgServer& pgServer();

}  // namespace qztest

// Skips the current test, saying why, when this machine cannot run a server.
#define QZ_SKIP_WITHOUT_PG()                                                         \
  do {                                                                               \
    if (std::string qzWhy = ::qztest::PgServer::unavailableReason(); !qzWhy.empty()) \
      GTEST_SKIP() << qzWhy;                                                         \
  } while (0)
