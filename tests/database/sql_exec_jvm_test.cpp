// SQLEXEC with a real driver: DDL and DML with their update counts and the rows that really
// reach the database, the query rule, failures and the debug trace.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "database/sql_exec.h"
#include "tests/database/jvm_fixture.h"

namespace {

using dbtest::DatabaseFixture;
using dbtest::EnvScope;
using dbtest::nativeOf;
using dbtest::Rows;
using qztest::Obj;
using qztest::Outcome;

int32_t updateCount(const Obj& exec) {
  auto* e = nativeOf<dbJDBCSQLExecC>(exec);
  return e ? e->updateCount() : -12345;
}

class SqlExecTest : public DatabaseFixture {
 protected:
  void SetUp() override {
    DatabaseFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    connect();
    exec("CREATE TABLE " + table_ + " (id INT PRIMARY KEY, name VARCHAR(40))");
  }
  std::string rowsOf(const std::string& where = "") {
    Rows rows = probe("SELECT id, name FROM " + table_ + where + " ORDER BY id");
    std::string text;
    for (const auto& r : rows) text += r[0] + "=" + r[1] + ";";
    return text;
  }
};

// Updates that rewrite to the same text run again on one prepared statement: each run binds
// its own literals, a query in between or a statement closed under it starts afresh.
TEST_P(SqlExecTest, RepeatedUpdatesBindTheirOwnLiterals) {
  Obj e = db_.call("createObject", "SQLEXEC").object();
  const auto insert = [&](int id, const std::string& name) {
    e.call("statement", "INSERT INTO " + table_ + " (name, id) VALUES ('" + name + "', " +
                            std::to_string(id) + ")");
    e.call("execute");
  };
  insert(1, "a");
  insert(2, "b");
  e.call("statement", "UPDATE " + table_ + " SET name = 'c' WHERE name = 'b'");
  e.call("execute");
  EXPECT_EQ(updateCount(e), 1);
  insert(3, "d");
  e.call("statement", "SELECT id FROM " + table_);
  e.call("execute");
  insert(4, "e");
  e.call("statement", "INSERT INTO " + table_ + " (name, id) VALUES ('x', 4)");
  EXPECT_FALSE(e.tryCall("execute").ok()) << "a duplicate key fails";
  insert(5, "f");
  db_.call("close");
  connect();
  insert(6, "g");  // the statement of the closed connection is not run again
  EXPECT_EQ(rowsOf(), "1=a;2=c;3=d;4=e;5=f;6=g;");
}

class SqlExecEveryDriverTest : public SqlExecTest {};

// A statement run again binds a canonical integer text to an INTEGER or BIGINT parameter as
// that number: every value must land (or fail) as its text does through a fresh statement.
TEST_P(SqlExecEveryDriverTest, RunsAgainLandIntegerTextsAsTheirText) {
  const std::string kept = table_ + "k";
  const std::string fresh = table_ + "f";
  for (const std::string& t : {kept, fresh}) {
    exec("CREATE TABLE " + t + " (seq INT, n INT, b BIGINT, s VARCHAR(30))");
  }
  Obj e = db_.call("createObject", "SQLEXEC").object();
  const auto text = [](const std::string& table, int seq, const std::string& n,
                       const std::string& b, const std::string& s) {
    return "INSERT INTO " + table + " (seq, n, b, s) VALUES ('" + std::to_string(seq) + "', '" + n +
           "', '" + b + "', '" + s + "')";
  };
  const std::vector<std::array<std::string, 3>> cases = {
      {"7", "8", "9"},
      {"7", "8", "9"},
      {"-5", "0", "007"},
      {"0", "-1", "-0"},
      {"-0", "-0", "-0"},
      {"007", "+7", " 7"},
      {"+7", " 8", "7 "},
      {"2147483647", "123456789012345678", "2147483648"},
      {"-2147483648", "-123456789012345678", "1"},
      {"2147483648", "1", "x"},  // out of INT's range: fails as text does
      {"1", "9223372036854775807", "19 digits"},
      {"1", "9223372036854775808", "past BIGINT"},
      {"1e3", "1.0", "not integers"},
      {"", "1", "empty"},
      {"x", "1", "letters"},
      {"12", "13", "after the failures"},
      {"14", "15", "gr\u00fc\u00dfe, not ASCII"},
  };
  int seq = 0;
  for (const auto& [n, b, s] : cases) {
    ++seq;
    e.call("statement", text(kept, seq, n, b, s));
    const bool keptOk = e.tryCall("execute").ok();
    Obj once = db_.call("createObject", "SQLEXEC").object();
    once.call("statement", text(fresh, seq, n, b, s));
    EXPECT_EQ(keptOk, once.tryCall("execute").ok()) << n << " " << b << " " << s;
  }
  const auto rows = [&](const std::string& t) {
    std::string all;
    for (const auto& r : probe("SELECT seq, n, b, s FROM " + t + " ORDER BY seq"))
      all += r[0] + "|" + r[1] + "|" + r[2] + "|" + r[3] + ";";
    return all;
  };
  EXPECT_EQ(rows(kept), rows(fresh));
  EXPECT_NE(rows(kept).find("2|7|8|9;"), std::string::npos) << rows(kept);
}

TEST_P(SqlExecTest, DmlUpdateCountsAndTheRowsInTheDatabase) {
  Obj e = exec("INSERT INTO " + table_ + " VALUES (1, 'one')");
  EXPECT_TRUE(e.offers("DATABASE.SQLTRANSACTION"));
  EXPECT_TRUE(e.offers("DATABASE.TRANSACTION"));
  EXPECT_EQ(updateCount(e), 1);
  e.call("statement", "insert into " + table_ + " values (2, 'two'), (3, 'three')");
  e.call("execute");
  EXPECT_EQ(updateCount(e), 2);

  e.call("statement", "UPDATE " + table_ + " SET name = 'many' WHERE id > 1");
  e.call("execute");
  EXPECT_EQ(updateCount(e), 2);
  e.call("statement", "INSERT INTO " + table_ + " SELECT id + 10, name FROM " + table_);
  e.call("execute");
  EXPECT_EQ(updateCount(e), 3) << "INSERT ... SELECT is an update";
  e.call("statement", "DELETE FROM " + table_ + " WHERE id >= 10");
  e.call("execute");
  EXPECT_EQ(updateCount(e), 3);
  e.call("statement", "DELETE FROM " + table_ + " WHERE id = 99");
  e.call("execute");
  EXPECT_EQ(updateCount(e), 0);
  EXPECT_EQ(rowsOf(), "1=one;2=many;3=many;");
}

TEST_P(SqlExecTest, QueryRunsWithoutUpdateCountAndExecuteRepeats) {
  Obj e = exec("INSERT INTO " + table_ + " VALUES (1, 'a')");
  EXPECT_EQ(updateCount(e), 1);
  e.call("statement", "select id from " + table_);
  EXPECT_EQ(updateCount(e), 1) << "setting a statement resets nothing";
  e.call("execute");
  EXPECT_EQ(updateCount(e), 0) << "a query has no update count";
  auto* native = nativeOf<dbJDBCSQLExecC>(e);
  ASSERT_NE(native, nullptr);
  EXPECT_FALSE(native->resultSet().isNull());
  EXPECT_FALSE(native->resultMetaData().isNull());

  Obj twice = db_.call("createObject", "SQLEXEC").object();
  twice.call("statement",
             "INSERT INTO " + table_ + " (id, name) SELECT MAX(id) + 1, 'b' FROM " + table_);
  twice.call("execute");
  twice.call("execute");
  EXPECT_EQ(rowsOf(), "1=a;2=b;3=b;") << "each execute runs the statement again";
}

TEST_P(SqlExecTest, FailuresRaiseTheirCallExceptions) {
  Obj e = db_.call("createObject", "SQLEXEC").object();
  ASSERT_TRUE(e);
  Outcome o = e.tryCall("execute");
  EXPECT_FALSE(o.ok()) << "no statement yet";
  EXPECT_EQ(o.error.source, "methode:execute");
  EXPECT_EQ(o.error.description, "Object call failed");
  EXPECT_FALSE(o.error.hasInner) << "an empty exception object";
  qzRef<dbISQLTransaction> native =
      e.query<dbISQLTransaction>(qzMakeIID("DATABASE.SQLTRANSACTION"));
  ASSERT_TRUE(native);
  qzIUnknown* err = reinterpret_cast<qzIUnknown*>(1);
  EXPECT_EQ(native->execute(&err), 1);
  EXPECT_EQ(err, nullptr);

  e.call("statement", "INSERT INTO no_such_table_at_all VALUES (1)");
  o = e.tryCall("execute");
  ASSERT_TRUE(o.error.hasInner) << o.error.text();
  EXPECT_EQ(o.error.innerSource, "ZIRUV:execute");
  EXPECT_FALSE(o.error.innerDescription.empty());
  e.call("statement", "SELEKT nothing");
  o = e.tryCall("execute");
  EXPECT_EQ(o.error.innerSource, "ZIRUV:execute");
  EXPECT_EQ(native->execute(nullptr), 1) << "no slot, still a failure";

  e.call("statement", "INSERT INTO " + table_ + " VALUES (1, 'after errors')");
  EXPECT_EQ(e.call("execute").asInt(), 1) << "the object stays usable";
  EXPECT_EQ(rowsOf(), "1=after errors;");
}

QZ_DATABASE_BACKENDS(SqlExecTest);
QZ_ALL_BACKENDS(SqlExecEveryDriverTest);

class HsqlSqlExecTest : public SqlExecTest {
 protected:
  // What executing sql traced.
  std::string traced(const std::string& sql) {
    Obj e = db_.call("createObject", "SQLEXEC").object();
    e.call("statement", sql);
    EnvScope debug("QZCOM_JDBC_DEBUG", "1");
    testing::internal::CaptureStdout();
    e.tryCall("execute");
    return testing::internal::GetCapturedStdout();
  }
};

TEST_P(HsqlSqlExecTest, TraceLinesTellQueriesFromUpdates) {
  const std::string insert = "INSERT INTO " + table_ + " VALUES (1, 'x')";
  EXPECT_EQ(traced(insert), "JSQLExecUpdate " + insert + "\nJSQLExecUpdate " + insert + " done\n");
  const std::string query = "SELECT * FROM " + table_;
  EXPECT_EQ(traced(query), "JSQLExecQuery " + query + "\nJSQLExecQuery done\n");
  const std::string percent = "SELECT '100%s' FROM " + table_;
  EXPECT_EQ(traced(percent), "JSQLExecQuery " + percent + "\nJSQLExecQuery done\n")
      << "the text is an argument, never a format";
}

// The switch is read from the environment by hand: only the variable itself, set by any means,
// turns it on.
TEST_P(HsqlSqlExecTest, TraceSwitchIsThatVariableAlone) {
  const std::string insert = "INSERT INTO " + table_ + " VALUES (1, 'x')";
  auto traces = [&] {
    Obj e = db_.call("createObject", "SQLEXEC").object();
    e.call("statement", insert);
    testing::internal::CaptureStdout();
    e.tryCall("execute");
    return !testing::internal::GetCapturedStdout().empty();
  };
  EnvScope off("QZCOM_JDBC_DEBUG", std::nullopt);
  {
    EnvScope longer("QZCOM_JDBC_DEBUGX", "1");
    EnvScope shorter("QZCOM_JDBC_DEBU", "1");
    EnvScope prefix("QZ", "QZCOM_JDBC_DEBUG=1");
    EXPECT_FALSE(traces()) << "names that share its start";
  }
  static char put[] = "QZCOM_JDBC_DEBUG=";
  ASSERT_EQ(putenv(put), 0);
  EXPECT_TRUE(traces()) << "put, empty";
  unsetenv("QZCOM_JDBC_DEBUG");
  EXPECT_FALSE(traces()) << "unset again";
}

TEST_P(HsqlSqlExecTest, SelectMustStartWithinTheFirstSixCharacters) {
  auto kind = [&](const std::string& sql) {
    std::string t = traced(sql);
    return t.substr(0, t.find(' '));
  };
  const std::string tail = "SELECT id FROM " + table_;
  EXPECT_EQ(kind("select id from " + table_), "JSQLExecQuery");
  EXPECT_EQ(kind("     " + tail), "JSQLExecQuery") << "five leading blanks";
  EXPECT_EQ(kind("\n\t(  " + tail + ")"), "JSQLExecQuery");
  EXPECT_EQ(kind("      " + tail), "JSQLExecUpdate") << "six leading blanks";
  EXPECT_EQ(kind("WITH q AS (SELECT id FROM " + table_ + ") SELECT id FROM q"), "JSQLExecUpdate");
  EXPECT_EQ(kind("INSERT INTO " + table_ + " SELECT id + 1, name FROM " + table_),
            "JSQLExecUpdate");
}

TEST_P(HsqlSqlExecTest, DatabaseInformationTraces) {
  Obj info = db_.call("createObject", "DATABASEINFO").object();
  EnvScope debug("QZCOM_JDBC_DEBUG", "");
  testing::internal::CaptureStdout();
  info.get("databasename");
  info.get("dbmsname");
  std::string version = info.get("dbmsversion").text();
  EXPECT_EQ(
      testing::internal::GetCapturedStdout(),
      "dbname -> DemoServerDB\ndbsname -> HSQL Database Engine\ndbsversion -> " + version + "\n");
}

QZ_HSQLDB_ONLY(HsqlSqlExecTest);

}  // namespace
