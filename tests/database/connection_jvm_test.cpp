// The connection with a real driver: where jdbc.cfg is found, what each failure says,
// transactions, options, database information, the shared session and termination.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "database/database.h"
#include "jdbc/jsql_api.h"
#include "tests/database/jvm_fixture.h"

namespace {

using dbtest::DatabaseFixture;
using dbtest::failedWith;
using dbtest::jdbcBlock;
using dbtest::nativeOf;
using dbtest::Rows;
using qztest::Obj;
using qztest::Outcome;

// --- On every backend ---------------------------------------------------------------------

class ConnectionTest : public DatabaseFixture {};

TEST_P(ConnectionTest, WrongPasswordFailsTheConnect) {
  connect();  // the in-memory database exists from now on
  db_.call("close");
  Outcome o = db_.tryCall("connect", "demo", backend_.user, "not-the-password");
  EXPECT_EQ(o.error.source, "methode:connect");
  EXPECT_TRUE(failedWith(o, "ZIRUV:DSN Connect"));
  EXPECT_TRUE(db_.call("createObject", "SQLEXEC").isUndef()) << "left unconnected";
}

TEST_P(ConnectionTest, DatabaseInformationOfAnOpenAndAClosedConnection) {
  connect();
  Obj info = db_.call("createObject", "DATABASEINFO").object();
  ASSERT_TRUE(info);  // an open connection's information is the driver matrix's
  EXPECT_EQ(db_.call("close").asInt(), 1);
  EXPECT_EQ(db_.call("close").asInt(), 0);
  EXPECT_EQ(info.get("connectionState").asInt(), 2);
  EXPECT_EQ(info.tryGet("dbmsname").error.description, "cant read dbms name");
  EXPECT_EQ(info.get("databasename").text(), "DemoServerDB") << "read from jdbc.cfg only";
  EXPECT_TRUE(failedWith(db_.tryCall("commit"), "ZIRUV:COMMIT"));
  EXPECT_TRUE(failedWith(db_.tryCall("rollback"), "ZIRUV:ROLLBACK"));
}

QZ_DATABASE_BACKENDS(ConnectionTest);

// --- HSQLDB only: configuration, sessions, options ------------------------------------------

class HsqlConnectionTest : public DatabaseFixture {
 protected:
  Outcome tryConnect(const char* dataSource) {
    return db_.tryCall("connect", dataSource, "SA", "");
  }
};

TEST_P(HsqlConnectionTest, ReconnectClosesTheOldConnectionFirst) {
  connect();
  Obj info = db_.call("createObject", "DATABASEINFO").object();
  exec("CREATE TABLE " + table_ + " (id INT)");
  connect();
  EXPECT_EQ(info.get("connectionState").asInt(), 1);
  EXPECT_TRUE(failedWith(tryConnect("nosuch"), "ZIRUV:CONNECT::RegisterDBDriver"));
  EXPECT_EQ(info.get("connectionState").asInt(), 2) << "the old connection was closed";
  EXPECT_EQ(db_.call("close").asInt(), 0) << "and the object is unconnected";
  EXPECT_EQ(db_.call("option", 1, 0).asInt(), 0);
  EXPECT_EQ(info.tryGet("dbmsversion").error.description, "cant read dbms version");
  connect();
  EXPECT_EQ(info.get("connectionState").asInt(), 1);
}

TEST_P(HsqlConnectionTest, LoginTimeoutBeforeTheFirstConnectWaitsForIt) {
  probe_->setLoginTimeout(0);
  EXPECT_EQ(db_.call("option", "CONNECTTIMEOUT", 17).asInt(), 1);
  EXPECT_EQ(probe_->loginTimeout(), 0) << "kept until the session has its VM";
  connect();
  EXPECT_EQ(probe_->loginTimeout(), 17);
  EXPECT_EQ(db_.call("option", "connecttimeout", 5).asInt(), 1);
  EXPECT_EQ(probe_->loginTimeout(), 5) << "applied at once when the VM is there";
  probe_->setLoginTimeout(0);
}

TEST_P(HsqlConnectionTest, ConnectionsOfOneFactoryShareTheLastError) {
  Obj second = engine_->create("DATABASE.JDBCDB");
  ASSERT_TRUE(second);
  auto* a = nativeOf<dbJDBCDatabaseC>(db_);
  auto* b = nativeOf<dbJDBCDatabaseC>(second);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(&a->session(), &b->session());

  second.call("connect", "demo", "SA", "");
  EXPECT_TRUE(failedWith(tryConnect("nosuch"), "ZIRUV:CONNECT::RegisterDBDriver"));
  EXPECT_EQ(b->session().lastMessage(), "RegisterDBDriver: Error in jdbc.cfg")
      << "what the first recorded is the second's last error";

  // A second initialisation registers a second factory with a session of its own.
  ASSERT_EQ(engine_->host().initEngine(), 0);
  Obj third = engine_->create("DATABASE.JDBCDB");
  auto* c = nativeOf<dbJDBCDatabaseC>(third);
  ASSERT_NE(c, nullptr);
  EXPECT_NE(&c->session(), &a->session());
  third.call("connect", "demo", "SA", "");
  EXPECT_EQ(b->session().lastMessage(), "RegisterDBDriver: Error in jdbc.cfg");
  engine_->host().terminateEngine();
}

TEST_P(HsqlConnectionTest, ConnectionOutlivesEngineTermination) {
  connect();
  exec("CREATE TABLE " + table_ + " (id INT)");
  Obj sql = db_.call("createObject", "SQLEXEC").object();
  Obj info = db_.call("createObject", "DATABASEINFO").object();
  engine_->terminate();
  ASSERT_EQ(engine_->host().registeredFactories(), 0);

  sql.call("statement", "INSERT INTO " + table_ + " VALUES (7)");
  EXPECT_EQ(sql.call("execute").asInt(), 1);
  EXPECT_EQ(probe("SELECT id FROM " + table_), (Rows{{"7"}}));
  EXPECT_FALSE(info.get("dbmsname").text().empty());
  // The session has its VM already: a new connect needs no host component.
  connect();
  EXPECT_EQ(db_.call("close").asInt(), 1);
  sql.reset();
  info.reset();
  db_.reset();
}

// A server on 127.0.0.1 that never says a word: the kernel completes the handshake of a
// listening socket (its backlog) whether or not anyone accepts.
class SilentListener {
 public:
  SilentListener() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(fd_, 8) != 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
      throw std::runtime_error("no listener on 127.0.0.1");
    port_ = ntohs(address.sin_port);
  }
  ~SilentListener() { close(fd_); }
  int port() const { return port_; }

 private:
  int fd_;
  int port_ = 0;
};

TEST_P(HsqlConnectionTest, ConnectTimeoutHoldsAgainstAServerThatNeverAnswers) {
  SilentListener server;
  install_.user().write("jdbc.cfg",
                        jdbcBlock("silent",
                                  "jdbc:postgresql://127.0.0.1:" + std::to_string(server.port()) +
                                      "/qz?sslmode=disable",
                                  "org.postgresql.Driver"));
  ASSERT_EQ(db_.call("option", "CONNECTTIMEOUT", 1).asInt(), 1);
  const auto start = std::chrono::steady_clock::now();
  Outcome o = db_.tryCall("connect", "silent", "qz", "secret");
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(failedWith(o, "ZIRUV:DSN Connect"));
  EXPECT_FALSE(o.error.innerSqlState.empty()) << o.error.text();
  // Without its own time-out the driver waits for the server's answer for ever.
  EXPECT_LT(waited, std::chrono::seconds(30)) << "a 1 s time-out";
  probe_->setLoginTimeout(0);
}

QZ_HSQLDB_ONLY(HsqlConnectionTest);

}  // namespace
