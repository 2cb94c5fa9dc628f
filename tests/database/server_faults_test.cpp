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
    probeUpdate("CREATE TABLE " + table_ +
                " (id INT PRIMARY KEY, name VARCHAR(20), hits INT NOT NULL DEFAULT 0)");
    probeUpdate("INSERT INTO " + table_ +
                " (id, name) SELECT g, 'n' || g FROM generate_series(1, 100) g");
  }
  void TearDown() override {
    qztest::PgServer& pg = qztest::pgServer();
    if (!pg.running()) pg.restart();  // for the tests after a failed one
    RecordSetFixture::TearDown();
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

// Connections of one factory share a session layer, which one thread at a time may use; each
// thread's connection comes from a factory of its own.
class ThreadsTest : public RecordSetFixture {};

TEST_P(ThreadsTest, FourThreadsWithAConnectionEachAccountForEveryRow) {
  constexpr int kThreads = 4, kRows = 120;
  exec("CREATE TABLE " + table_ + " (id INT PRIMARY KEY, owner INT, n INT, note VARCHAR(40))");
  // Warm-up on this thread: method tables and Java classes are made before the threads race.
  Obj warm = open("SELECT id, note FROM " + table_);
  Obj info = db_.call("createObject", "TABLEINFO").object();

  std::vector<Obj> dbs;
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(engine_->host().initEngine(), 0);
    dbs.push_back(engine_->create("DATABASE.JDBCDB"));
    ASSERT_TRUE(dbs.back());
  }
  std::vector<std::string> errors(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      try {
        Obj db = dbs[t];
        db.call("connect", "demo", backend_.user, backend_.password);
        Obj run = db.call("createObject", "SQLEXEC").object();
        const std::string owner = std::to_string(t);
        for (int i = 0; i < kRows; ++i) {
          run.call("statement", "INSERT INTO " + table_ + " VALUES (" +
                                    std::to_string(t * 1000 + i) + ", " + owner + ", 0, 'it''s " +
                                    owner + "; row " + std::to_string(i) + "')");
          run.call("execute");
          if (i % 5 == 4) {
            run.call("statement", "UPDATE " + table_ + " SET n = n + 1 WHERE owner = " + owner);
            run.call("execute");
          }
          if (i % 10 == 9) {
            Obj rs = db.call("createObject", "RECORDSET").object();
            Obj q = rs.call("transaction", "SQLEXEC").object();
            q.call("statement",
                   "SELECT note FROM " + table_ + " WHERE owner = " + owner + " ORDER BY id");
            q.call("execute");
            std::vector<std::string> rows = walk(rs), want;
            for (int r = 0; r <= i; ++r)
              want.push_back("it's " + owner + "; row " + std::to_string(r));
            if (rows != want)
              throw std::runtime_error(std::to_string(rows.size()) + " rows after " +
                                       std::to_string(i + 1) + " inserts, the last " +
                                       (rows.empty() ? "none" : rows.back()));
          }
        }
        db.call("close");
      } catch (const std::exception& e) {
        errors[t] = e.what();
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(errors[t], "") << "thread " << t;
  // Row i is counted up by every update that runs after it is in: those after rows 4, 9, ...
  int hits = 0;
  for (int i = 0; i < kRows; ++i)
    for (int u = 4; u < kRows; u += 5) hits += u >= i ? 1 : 0;
  Rows expected;
  for (int t = 0; t < kThreads; ++t)
    expected.push_back({std::to_string(t), std::to_string(kRows), std::to_string(hits)});
  EXPECT_EQ(
      probe("SELECT owner, COUNT(*), SUM(n) FROM " + table_ + " GROUP BY owner ORDER BY owner"),
      expected);
  dbs.clear();
  for (int t = 0; t < kThreads; ++t) engine_->host().terminateEngine();
}

QZ_DATABASE_BACKENDS(ThreadsTest);

INSTANTIATE_TEST_SUITE_P(Postgresql, ServerFaultTest, ::testing::Values(std::string("postgresql")),
                         ::dbtest::backendName);

}  // namespace
