// qzsql run as a program against HSQLDB files and the test PostgreSQL server: the exact
// output of every format (golden files), exit codes and messages of failures, meta-commands,
// transactions, and the prompt on a pseudo-terminal.
//
// QZSQL_UPDATE_GOLDEN=1 writes the golden files from what qzsql prints now.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/pg_server.h"
#include "tests/tools/qzsql/qzsql_process.h"

namespace qzsqltest {
namespace {

std::string goldenPath(const std::string& name) {
  const char* source = std::getenv("QZ_TEST_SOURCE_DIR");
  return std::string(source ? source : ".") + "/tests/tools/qzsql/golden/" + name;
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void expectGolden(const std::string& name, const std::string& actual) {
  std::string path = goldenPath(name);
  if (std::getenv("QZSQL_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << actual;
    return;
  }
  EXPECT_EQ(actual, readText(path))
      << "golden file " << path << " (QZSQL_UPDATE_GOLDEN=1 rewrites it)";
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The line of text that starts with prefix, or "".
std::string lineStarting(const std::string& text, const std::string& prefix) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) return line;
  }
  return "";
}

class QzsqlRun : public ::testing::Test {
 protected:
  void SetUp() override { box.addHsqldb("hsql"); }

  // Every format of the golden table through one data source.
  void checkGoldenTable(const std::vector<std::string>& connection,
                        const std::map<std::string, std::string>& env) {
    for (const char* format : {"aligned", "csv", "tsv", "json"}) {
      std::vector<std::string> args = connection;
      for (const char* a : {"-f", "", "--format", ""}) args.push_back(a);
      args[args.size() - 3] = goldenPath("table.sql");
      args.back() = format;
      Result r = box.run(args, "", env);
      EXPECT_EQ(r.code, 0) << format << ": " << r.err;
      EXPECT_EQ(r.err, "") << format;
      expectGolden(std::string("table_") + format + ".txt", r.out);
    }
  }

  Sandbox box;
};

TEST_F(QzsqlRun, GoldenTableOnHsqldb) {
  checkGoldenTable({"hsql"}, {});
}

TEST_F(QzsqlRun, GoldenTableOnPostgresql) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = qztest::pgServer();
  box.addDataSource("pg", pg.jdbcUrl("qz"), "org.postgresql.Driver");
  checkGoldenTable({"pg", "-U", pg.user()}, {{"QZSQL_PASSWORD", pg.password()}});
}

TEST_F(QzsqlRun, AFailingStatementStopsTheScriptUnlessToldToGoOn) {
  std::string script = box.root() + "/script.sql";
  box.writeFile(script,
                "CREATE TABLE IF NOT EXISTS t1 (a INT);\n"
                "SELECT * FROM nosuch;\n"
                "INSERT INTO t1 VALUES (1);\n");
  Result stop = box.run({"hsql", "-f", script});
  EXPECT_EQ(stop.code, 3);
  EXPECT_EQ(stop.out, "CREATE TABLE\n");
  EXPECT_TRUE(contains(stop.err, script + ":2: ERROR: ")) << stop.err;
  EXPECT_TRUE(contains(stop.err, "object not found: NOSUCH")) << stop.err;
  EXPECT_TRUE(contains(stop.err, "(ZIRUV:execute, in methode:execute: Object call failed)"))
      << stop.err;
  EXPECT_TRUE(contains(box.run({"hsql", "-c", "SELECT COUNT(*) AS n FROM t1"}).out, " 0\n"));

  Result goOn = box.run({"hsql", "--continue", "-f", script});
  EXPECT_EQ(goOn.code, 3) << "a failure is still reported in the exit code";
  EXPECT_EQ(goOn.out, "CREATE TABLE\nINSERT 1\n");
  EXPECT_TRUE(contains(box.run({"hsql", "-c", "SELECT COUNT(*) AS n FROM t1"}).out, " 1\n"));

  // Statements from a pipe are a script as well.
  Result piped = box.run({"hsql"}, "SELECT 1 AS one FROM t1;\nSELEKT 2;\nSELECT 3 FROM t1;\n");
  EXPECT_EQ(piped.code, 3);
  EXPECT_TRUE(contains(piped.err, "<stdin>:2: ERROR: ")) << piped.err;
  EXPECT_FALSE(contains(piped.out, " 3\n"));
}

TEST_F(QzsqlRun, ConnectionFailuresExitWithTwoAndSayWhy) {
  Result unknown = box.run({"nosuch", "-c", "SELECT 1"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_TRUE(contains(unknown.err, "cannot connect to data source \"nosuch\"")) << unknown.err;
  EXPECT_TRUE(contains(unknown.err, "RegisterDBDriver: Error in jdbc.cfg")) << unknown.err;
  EXPECT_TRUE(contains(unknown.err, "has no block [nosuch]")) << unknown.err;
  EXPECT_EQ(unknown.out, "");

  box.addDataSource("nodriver", "jdbc:none:x", "org.example.NoSuchDriver");
  Result driver = box.run({"nodriver", "-c", "SELECT 1"});
  EXPECT_EQ(driver.code, 2);
  EXPECT_TRUE(contains(driver.err, "ClassNotFoundException: org.example.NoSuchDriver"))
      << driver.err;
  EXPECT_TRUE(contains(driver.err, "hint: the driver's jar")) << driver.err;

  Result noConfig = box.run({"hsql", "-c", "SELECT 1"}, "", {{"KESTRAN_USER", box.home()}});
  EXPECT_EQ(noConfig.code, 2);
  EXPECT_TRUE(contains(noConfig.err, "no jdbc.cfg could be read")) << noConfig.err;

  // Standard input is no terminal: no prompt, the wrong password is final. (A file database
  // takes the first user and password it sees: it must exist first.)
  ASSERT_EQ(box.run({"hsql", "-c", "CREATE TABLE pw (a INT)"}).code, 0);
  Result password =
      box.run({"hsql", "-U", "SA", "-c", "SELECT 1"}, "", {{"QZSQL_PASSWORD", "wrong"}});
  EXPECT_EQ(password.code, 2);
  // The driver's own refusal, naming the user.
  EXPECT_TRUE(contains(password.err, "ERROR: invalid authorization")) << password.err;
  EXPECT_TRUE(contains(password.err, ": SA\n")) << password.err;
  EXPECT_TRUE(contains(password.err, "(ZIRUV:DSN Connect")) << password.err;
  EXPECT_FALSE(contains(password.err, "Password for"));

  Result usage = box.run({"hsql", "--format", "xml"});
  EXPECT_EQ(usage.code, 1);
  EXPECT_TRUE(contains(usage.err, "unknown format 'xml'")) << usage.err;
  Result missing = box.run({"hsql", "-f", box.root() + "/missing.sql"});
  EXPECT_EQ(missing.code, 1);
}

TEST_F(QzsqlRun, PostgresqlErrorsAndWrongPassword) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = qztest::pgServer();
  box.addDataSource("pg", pg.jdbcUrl("qz"), "org.postgresql.Driver");
  Result bad = box.run({"pg", "-U", pg.user(), "-c", "SELECT * FROM nosuch_table"}, "",
                       {{"QZSQL_PASSWORD", pg.password()}});
  EXPECT_EQ(bad.code, 3);
  EXPECT_TRUE(contains(bad.err, "relation \"nosuch_table\" does not exist")) << bad.err;

  Result wrong = box.run({"pg", "-U", pg.user(), "-c", "SELECT 1"}, "",
                         {{"QZSQL_PASSWORD", "not-the-password"}});
  EXPECT_EQ(wrong.code, 2);
  EXPECT_TRUE(contains(wrong.err, "password authentication failed")) << wrong.err;
}

TEST_F(QzsqlRun, MetaCommandsDescribeTablesAndTheConnection) {
  Result setup = box.run({"hsql", "-c",
                          "CREATE TABLE qz_parent (id INT PRIMARY KEY);"
                          "CREATE TABLE qz_meta (id INT PRIMARY KEY, parent INT REFERENCES "
                          "qz_parent (id), label VARCHAR(10))"});
  ASSERT_EQ(setup.code, 0) << setup.err;

  // Unquoted names are stored in upper case: the lower-case name finds the table too.
  Result d = box.run({"hsql", "-c", "\\d qz_meta", "-c", "\\d", "-c", "\\conninfo"});
  EXPECT_EQ(d.code, 0) << d.err;
  EXPECT_TRUE(contains(d.out, "Table \"PUBLIC.QZ_META\"\n")) << d.out;
  EXPECT_EQ(lineStarting(d.out, " Column "), " Column | Type    | Size | Key | Remarks");
  EXPECT_TRUE(contains(lineStarting(d.out, " ID "), "| INTEGER | ")) << d.out;
  EXPECT_TRUE(contains(lineStarting(d.out, " ID "), "| PK ")) << d.out;
  EXPECT_TRUE(contains(lineStarting(d.out, " PARENT "), "| FK ")) << d.out;
  EXPECT_TRUE(contains(lineStarting(d.out, " LABEL "), "| VARCHAR | 10 ")) << d.out;
  EXPECT_TRUE(contains(d.out, "\n PUBLIC       | QZ_PARENT  | BASE TABLE\n")) << d.out;
  EXPECT_TRUE(contains(d.out, "Data source:   hsql\n")) << d.out;
  EXPECT_TRUE(contains(lineStarting(d.out, "DBMS:"), "HSQL Database Engine")) << d.out;
  EXPECT_TRUE(contains(d.out, "Connection:    open\n")) << d.out;

  Result notThere = box.run({"hsql", "-c", "\\d no_such_table"});
  EXPECT_EQ(notThere.code, 3);
  Result unknown = box.run({"hsql", "-c", "\\bogus"});
  EXPECT_EQ(unknown.code, 3);
  EXPECT_TRUE(contains(unknown.err, "unknown meta-command \\bogus")) << unknown.err;
}

TEST_F(QzsqlRun, AutoCommitOffKeepsChangesUntilCommit) {
  ASSERT_EQ(box.run({"hsql", "-c", "CREATE TABLE ac (a INT)"}).code, 0);
  Result r = box.run({"hsql", "-c", "\\autocommit off", "-c",
                      "INSERT INTO ac VALUES (1); INSERT INTO ac VALUES (2)", "-c", "\\rollback",
                      "-c", "SELECT COUNT(*) AS n FROM ac", "-c", "INSERT INTO ac VALUES (3)", "-c",
                      "\\commit"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "INSERT 1\nINSERT 1\nROLLBACK\n N\n---\n 0\n(1 row)\n\nINSERT 1\nCOMMIT\n");
  EXPECT_TRUE(contains(r.err, "Auto-commit is off.")) << r.err;
  Result after = box.run({"hsql", "--format", "csv", "-c", "SELECT a FROM ac"});
  EXPECT_EQ(after.out, "A\r\n3\r\n");
}

TEST_F(QzsqlRun, OutputFileAndValuesCutByTheEngine) {
  std::string file = box.root() + "/out.csv";
  Result r = box.run({"hsql", "--format", "csv", "-o", file, "-c",
                      "CREATE TABLE wide (v VARCHAR(20000)); "
                      "INSERT INTO wide VALUES (REPEAT('x', 10000)); "
                      "SELECT LENGTH(v) AS n FROM wide; SELECT v FROM wide"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  std::string written = box.readFile(file);
  EXPECT_EQ(written.rfind("N\r\n10000\r\nV\r\n", 0), 0u) << written.substr(0, 40);
  // The value arrives shorter than it is, and qzsql says so instead of passing it on quietly.
  EXPECT_LT(written.size(), 10000u);
  EXPECT_TRUE(contains(r.err, "1 value(s) of column \"V\" arrived cut short")) << r.err;
}

TEST_F(QzsqlRun, PromptEditsStatementsStopsLongResultsAndKeepsHistory) {
  ASSERT_EQ(box.run({"hsql", "-c",
                     "CREATE TABLE ten (d INT); "
                     "INSERT INTO ten VALUES (0), (1), (2), (3), (4), (5), (6), (7), (8), (9)"})
                .code,
            0);
  Terminal t(box, {"hsql"});
  ASSERT_TRUE(t.waitFor("hsql=> ")) << t.output();
  t.type("SELECT COUNT(*)\r");
  ASSERT_TRUE(t.waitFor("hsql-> ")) << t.output();
  t.type("AS n FROM ten WHERE d <> LENGTH('x;\r");
  ASSERT_TRUE(t.waitFor("hsql'> ")) << t.output();
  t.type("');\r");
  ASSERT_TRUE(t.waitFor(" N\r\n---\r\n 9\r\n(1 row)")) << t.output();
  ASSERT_TRUE(t.waitFor("hsql=> ")) << t.output();

  // A million rows: Ctrl-C stops them, and the session (and its VM) goes on.
  t.type("SELECT a.d FROM ten a, ten b, ten c, ten e, ten f, ten g;\r");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  t.type("\x03");
  ASSERT_TRUE(t.waitFor("qzsql: output stopped after ")) << t.sinceMark();
  ASSERT_TRUE(t.waitFor("hsql=> ")) << t.sinceMark();
  EXPECT_FALSE(contains(t.output(), "(1000000 rows)"));

  // Ctrl-C at the prompt drops what was typed.
  t.type("SELECT 'never run");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  t.type("\x03");
  ASSERT_TRUE(t.waitFor("hsql=> ")) << t.sinceMark();
  t.type("SELECT MAX(d) AS top FROM ten;\r");
  ASSERT_TRUE(t.waitFor(" TOP\r\n-----\r\n 9\r\n(1 row)")) << t.sinceMark();
  t.type("\\q\r");
  EXPECT_EQ(t.wait(), 0) << t.output();

  std::string history = box.readFile(box.home() + "/.qzsql_history_hsql");
  EXPECT_TRUE(contains(history, "SELECT MAX(d) AS top FROM ten;")) << history;
  EXPECT_TRUE(contains(history, "SELECT COUNT(*)")) << history;
  EXPECT_FALSE(contains(history, "never run")) << history;
}

TEST_F(QzsqlRun, PromptAsksForThePasswordWithoutEcho) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = qztest::pgServer();
  box.addDataSource("pg", pg.jdbcUrl("qz"), "org.postgresql.Driver");
  Terminal t(box, {"pg", "-U", pg.user()});
  ASSERT_TRUE(t.waitFor("Password for pg: ")) << t.output();
  t.type(pg.password() + "\r");
  ASSERT_TRUE(t.waitFor("pg=> ")) << t.output();
  EXPECT_FALSE(contains(t.output(), pg.password()));
  t.type("\\conninfo\r");
  ASSERT_TRUE(t.waitFor("PostgreSQL")) << t.sinceMark();
  t.type("\\q\r");
  EXPECT_EQ(t.wait(), 0) << t.output();
}

}  // namespace
}  // namespace qzsqltest
