// A PostgreSQL server stopped as a crash would (pg_ctl stop -m immediate) in the middle of a
// record-set walk, of an update loop and between execute and the first row: every later call
// fails with the driver's message and SQL state, nothing crashes, and once the server is back
// the same object connects again. And four threads, each with a connection of its own.
//
// This binary has a server of its own, so stopping it disturbs no other test.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/database/rs_fixture.h"
#include "tests/support/pg_server.h"

namespace {

using dbtest::RecordSetFixture;
using dbtest::Rows;
using qztest::Obj;
using qztest::Outcome;

// A failure that names its cause: the driver's message and SQL state in the inner error.
::testing::AssertionResult failsClearly(const Outcome& o) {
  if (o.ok()) return ::testing::AssertionFailure() << "succeeded";
  if (!o.error.hasInner || o.error.innerDescription.empty())
    return ::testing::AssertionFailure() << "no cause: " << o.error.text();
  if (o.error.innerSqlState.empty())
    return ::testing::AssertionFailure() << "no SQL state: " << o.error.text();
  return ::testing::AssertionSuccess();
}

class ServerFaultTest : public RecordSetFixture {
 protected:
  void SetUp() override {
    // Rows come in chunks of 10 inside a transaction, so a walk goes back to the server.
    DatabaseFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    backend_.url += "&defaultRowFetchSize=10";
    install_.user().write("jdbc.cfg", dbtest::jdbcBlock("demo", backend_.url, backend_.driver));
    connect();
    probe_->update(backend_.url,
                   "CREATE TABLE " + table_ +
                       " (id INT PRIMARY KEY, name VARCHAR(20), hits INT NOT NULL DEFAULT 0)",
                   backend_.user, backend_.password);
    probe_->update(
        backend_.url,
        "INSERT INTO " + table_ + " (id, name) SELECT g, 'n' || g FROM generate_series(1, 100) g",
        backend_.user, backend_.password);
  }
  void TearDown() override {
    qztest::PgServer& pg = qztest::pgServer();
    if (!pg.running()) pg.restart();
  }
  void crash() { qztest::pgServer().stopImmediately(); }
  void restart() { qztest::pgServer().restart(); }
  // After the server is back: the same object connects and sees every committed row.
  void reconnectAndCheck(const std::string& expectedHits) {
    restart();
    Outcome again = db_.tryCall("connect", "demo", backend_.user, backend_.password);
    ASSERT_TRUE(again.ok()) << again.error.text();
    Obj rs = open("SELECT COUNT(*), SUM(hits) FROM " + table_);
    EXPECT_EQ(rowText(fieldsOf(rs)), "100," + expectedHits);
  }
};

TEST_P(ServerFaultTest, CrashInTheMiddleOfARecordSetWalk) {
  ASSERT_EQ(db_.call("option", 1, 0).asInt(), 1);
  Obj rs = open("SELECT id, name FROM " + table_ + " ORDER BY id");
  Obj f = fieldsOf(rs);
  int read = 0;
  for (; read < 15; ++read) {
    ASSERT_EQ(f.call("Field", "id", 3).asInt(), read + 1);
    rs.call("fetch", 3, 0);
  }
  crash();
  // The rows the driver holds read on; the next chunk fails, naming the cause.
  Outcome o;
  for (; read < 100; ++read) {
    EXPECT_EQ(f.call("Field", "id", 3).asInt(), read + 1);
    o = rs.tryCall("fetch", 3, 0);
    if (!o.ok()) break;
  }
  EXPECT_EQ(read, 19) << "the tenth row of the second chunk was the last one held";
  EXPECT_TRUE(failsClearly(o));
  EXPECT_EQ(o.error.innerSqlState.substr(0, 2), "08") << "a connection exception";

  // Every later call fails the same way, or reads nothing; none crashes.
  EXPECT_TRUE(failsClearly(rs.tryCall("fetch", 3, 0)));
  rs.tryGet("Eof");
  f.tryCall("Field", 0, 3);
  f.tryCall("FullText", 0);
  EXPECT_TRUE(failsClearly(exec_.tryCall("execute")));
  EXPECT_TRUE(failsClearly(db_.tryCall("commit")));
  Obj other = db_.call("createObject", "SQLEXEC").object();
  other.call("statement", "UPDATE " + table_ + " SET hits = 1");
  EXPECT_TRUE(failsClearly(other.tryCall("execute")));
  reconnectAndCheck("0");
}

TEST_P(ServerFaultTest, CrashBetweenExecuteAndTheFirstRow) {
  Obj rs = db_.call("createObject", "RECORDSET").object();
  Obj query = rs.call("transaction", "SQLEXEC").object();
  query.call("statement", "SELECT id, name FROM " + table_ + " ORDER BY id");
  crash();
  Outcome o = query.tryCall("execute");
  EXPECT_TRUE(failsClearly(o));
  EXPECT_EQ(o.error.innerDescription.find("could not be described"), std::string::npos)
      << "the driver's cause, not a consequence: " << o.error.text();
  // What needs the result the run did not make fails with the run's cause.
  EXPECT_TRUE(failsClearly(rs.tryGet("Eof"))) << "not 0, which a script's loop would trust";
  EXPECT_TRUE(failsClearly(rs.tryCall("fetch", 3, 0)));
  EXPECT_TRUE(failsClearly(rs.tryCall("collection", 1)));
  reconnectAndCheck("0");
}

TEST_P(ServerFaultTest, CrashInTheMiddleOfAnUpdateLoop) {
  Obj update = db_.call("createObject", "SQLEXEC").object();
  update.call("statement", "UPDATE " + table_ + " SET hits = hits + 1");
  int done = 0, failed = 0;
  for (int i = 0; i < 40; ++i) {
    if (i == 20) crash();
    Outcome o = update.tryCall("execute");
    if (o.ok()) {
      ++done;
    } else {
      ++failed;
      EXPECT_TRUE(failsClearly(o)) << "run " << i;
    }
  }
  EXPECT_EQ(done, 20);
  EXPECT_EQ(failed, 20);
  reconnectAndCheck(std::to_string(20 * 100));
}

INSTANTIATE_TEST_SUITE_P(Postgresql, ServerFaultTest, ::testing::Values(std::string("postgresql")),
                         ::dbtest::backendName);

}  // namespace
