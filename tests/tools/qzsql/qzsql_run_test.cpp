// qzsql run as a program against HSQLDB files and the test PostgreSQL server: the exact
// output of every format (golden files), exit codes and messages of failures, meta-commands,
// transactions, and the prompt on a pseudo-terminal.
//
// QZSQL_UPDATE_GOLDEN=1 writes the golden files from what qzsql prints now.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

void expectGolden(const std::string& name, const std::string& actual) {
  std::string path = goldenPath(name);
  if (std::getenv("QZSQL_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << actual;
    return;
  }
  EXPECT_EQ(actual, qztest::readFile(path))
      << "golden file " << path << " (QZSQL_UPDATE_GOLDEN=1 rewrites it)";
}

// Whether part is in text; either way the message shows the whole text.
::testing::AssertionResult Has(const std::string& text, const std::string& part) {
  const bool found = text.find(part) != std::string::npos;
  return (found ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
         << (found ? "" : "no ") << '"' << part << "\" in:\n"
         << text;
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

  // The test PostgreSQL server as data source "pg".
  qztest::PgServer& addPg() {
    qztest::PgServer& pg = qztest::pgServer();
    box.addDataSource("pg", pg.jdbcUrl("qz"), "org.postgresql.Driver");
    return pg;
  }

  // Every format of the golden table through one data source.
  void checkGoldenTable(const std::vector<std::string>& connection,
                        const std::map<std::string, std::string>& env) {
    for (const char* format : {"aligned", "csv", "tsv", "json"}) {
      std::vector<std::string> args = connection;
      args.insert(args.end(), {"-f", goldenPath("table.sql"), "--format", format});
      Result r = box.run(args, "", env);
      EXPECT_EQ(r.code, 0) << format << ": " << r.err;
      EXPECT_EQ(r.err, "NULL shows as \"(null)\".\n") << format;
      expectGolden(std::string("table_") + format + ".txt", r.out);
    }
  }

  Sandbox box;
};

TEST_F(QzsqlRun, GoldenTableOnHsqldb) {
  checkGoldenTable({"hsql"}, {});
  // The driver's own texts, typed: TRUE and FALSE are booleans, digits a number.
  Result typed = box.run({"hsql", "--format", "json", "-c",
                          "VALUES (TRUE, FALSE, CAST(NULL AS BOOLEAN), CAST(1.5 AS DOUBLE), "
                          "CAST('-7' AS VARCHAR(3)))"});
  EXPECT_EQ(typed.out, "{\"C1\":true,\"C2\":false,\"C3\":null,\"C4\":1.5E0,\"C5\":\"-7\"}\n")
      << typed.err;
}

TEST_F(QzsqlRun, GoldenTableOnPostgresql) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = addPg();
  checkGoldenTable({"pg", "-U", pg.user()}, {{"QZSQL_PASSWORD", pg.password()}});
  Result typed = box.run({"pg", "-U", pg.user(), "--format", "json", "-c",
                          "SELECT true AS yes, false AS no, NULL::boolean AS unknown, "
                          "'NaN'::float8 AS nan, 12345678901234567890::numeric(38,10) AS exact"},
                         "", {{"QZSQL_PASSWORD", pg.password()}});
  EXPECT_EQ(typed.out,
            "{\"yes\":true,\"no\":false,\"unknown\":null,\"nan\":\"NaN\","
            "\"exact\":12345678901234567890.0000000000}\n")
      << typed.err;
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
  // The SQL state, then the driver's message; the engine's levels only when asked for.
  EXPECT_EQ(stop.err,
            script + ":2: ERROR:  42501: user lacks privilege or object not found: NOSUCH\n");
  Result verbose = box.run({"hsql", "-c", "\\verbose on", "-c", "SELECT * FROM nosuch"});
  EXPECT_TRUE(Has(verbose.err, "ERROR:  42501: "));
  EXPECT_TRUE(Has(verbose.err, "\n  (ZIRUV:execute, in methode:execute: Object call failed"));
  EXPECT_TRUE(Has(box.run({"hsql", "-c", "SELECT COUNT(*) AS n FROM t1"}).out, " 0\n"));

  Result goOn = box.run({"hsql", "--continue", "-f", script});
  EXPECT_EQ(goOn.code, 3) << "a failure is still reported in the exit code";
  EXPECT_EQ(goOn.out, "CREATE TABLE\nINSERT 1\n");
  EXPECT_TRUE(Has(box.run({"hsql", "-c", "SELECT COUNT(*) AS n FROM t1"}).out, " 1\n"));

  // Statements from a pipe are a script as well.
  Result piped = box.run({"hsql"}, "SELECT 1 AS one FROM t1;\nSELEKT 2;\nSELECT 3 FROM t1;\n");
  EXPECT_EQ(piped.code, 3);
  EXPECT_TRUE(Has(piped.err, "<stdin>:2: ERROR:  42581: "));
  EXPECT_FALSE(Has(piped.out, " 3\n"));
}

TEST_F(QzsqlRun, ConnectionFailuresExitWithTwoAndSayWhy) {
  Result unknown = box.run({"nosuch", "-c", "SELECT 1"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_TRUE(Has(unknown.err, "cannot connect to data source \"nosuch\""));
  EXPECT_TRUE(Has(unknown.err, "RegisterDBDriver: Error in jdbc.cfg"));
  EXPECT_TRUE(Has(unknown.err, "has no block [nosuch] with a DriverClass"));
  EXPECT_EQ(unknown.out, "");

  box.addDataSource("nodriver", "jdbc:none:x", "org.example.NoSuchDriver");
  Result driver = box.run({"nodriver", "-c", "SELECT 1"});
  EXPECT_EQ(driver.code, 2);
  EXPECT_TRUE(Has(driver.err, "ClassNotFoundException: org.example.NoSuchDriver"));
  EXPECT_TRUE(
      Has(driver.err, "hint: the driver class org.example.NoSuchDriver could not be loaded"));

  // What the engine would read, from the file it would read it.
  Result list = box.run({"--list"});
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_TRUE(Has(list.out, "nodriver    | org.example.NoSuchDriver   | jdbc:none:x\n"));
  EXPECT_TRUE(Has(list.out, "(2 data sources from " + box.user() + "/jdbc.cfg)"));
  Result listed = box.run({"hsql", "-c", "\\l"});
  EXPECT_EQ(listed.out, list.out);
  Result version = box.run({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out.rfind("qzsql ", 0), 0u) << version.out;

  Result noConfig = box.run({"hsql", "-c", "SELECT 1"}, "", {{"KESTRAN_USER", box.home()}});
  EXPECT_EQ(noConfig.code, 2);
  EXPECT_TRUE(Has(noConfig.err, "no jdbc.cfg could be read"));

  Result usage = box.run({"hsql", "--format", "xml"});
  EXPECT_EQ(usage.code, 1);
  EXPECT_TRUE(Has(usage.err, "unknown format 'xml'"));
  Result missing = box.run({"hsql", "-f", box.root() + "/missing.sql"});
  EXPECT_EQ(missing.code, 1);
  // A folder opens like a file and fails at the first read: it is no empty script.
  Result folder = box.run({"hsql", "-f", box.root()});
  EXPECT_EQ(folder.code, 1);
  EXPECT_EQ(folder.err, "qzsql: cannot read " + box.root() + ": Is a directory\n");
  Result included =
      box.run({"hsql", "-c", "\\i " + box.root(), "-c", "CREATE TABLE after (a INT)"});
  EXPECT_EQ(included.code, 1);
  EXPECT_EQ(included.err, "qzsql: cannot read " + box.root() + ": Is a directory\n");
  EXPECT_EQ(included.out, "");

  // Standard input is no terminal: no prompt, the wrong password is final. (A file database
  // takes the first user and password it sees: it must exist first.) Last: a refused login
  // leaves HSQLDB's database open in that process, and its lock fresh for ten seconds.
  ASSERT_EQ(box.run({"hsql", "-c", "CREATE TABLE pw (a INT)"}).code, 0);
  Result password =
      box.run({"hsql", "-v", "-U", "SA", "-c", "SELECT 1"}, "", {{"QZSQL_PASSWORD", "wrong"}});
  EXPECT_EQ(password.code, 2);
  // The driver's own refusal, naming the user.
  EXPECT_TRUE(Has(password.err, "ERROR:  28000: invalid authorization"));
  EXPECT_TRUE(Has(password.err, ": SA\n"));
  EXPECT_TRUE(Has(password.err, "(ZIRUV:DSN Connect"));
  EXPECT_FALSE(Has(password.err, "Password for"));
}

// (A wrong password on PostgreSQL is ConnectSwitchesDataSourcesAndRecoversALostServer's.)
TEST_F(QzsqlRun, PostgresqlErrorsSayErrorOnce) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = addPg();
  Result bad = box.run({"pg", "-U", pg.user(), "-c", "SELECT * FROM nosuch_table"}, "",
                       {{"QZSQL_PASSWORD", pg.password()}});
  EXPECT_EQ(bad.code, 3);
  // The server's message says "ERROR:" itself: it is said once.
  EXPECT_EQ(lineStarting(bad.err, "-c:1: "),
            "-c:1: ERROR:  42P01: relation \"nosuch_table\" does not exist")
      << bad.err;
  EXPECT_EQ(bad.err.find("ERROR"), bad.err.rfind("ERROR")) << bad.err;
}

TEST_F(QzsqlRun, StatementsGoAsWrittenUnlessBindingIsOn) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = addPg();
  // Bound, the literal is a parameter whose type the server cannot tell; as written, a text.
  const std::string sql = "SELECT pg_typeof('x') = 'unknown'::regtype AS has -- it's a comment";
  Result r = box.run({"pg", "-U", pg.user(), "--continue", "-c", sql, "-c", "\\bind on", "-c", sql,
                      "-c", "\\bind off", "-c", sql},
                     "", {{"QZSQL_PASSWORD", pg.password()}});
  EXPECT_EQ(r.code, 3) << r.err;
  EXPECT_EQ(r.out, " has\n-----\n t\n(1 row)\n\n has\n-----\n t\n(1 row)\n\n");
  EXPECT_TRUE(Has(r.err, "Binding of literals is on.\n-c:1: ERROR:  "));
}

// The same tables on any driver: described from JDBC metadata alone.
void checkDescribed(Sandbox& box, const std::vector<std::string>& connection,
                    const std::map<std::string, std::string>& env, const std::string& schema) {
  const std::map<std::string, std::string> types = {{"id", "INTEGER"},
                                                    {"label", "VARCHAR(10)"},
                                                    {"amount", "NUMERIC(10,2)"},
                                                    {"ok", "BOOLEAN"},
                                                    {"stamp", "TIMESTAMP WITH TIME ZONE"}};
  std::vector<std::string> args = connection;
  for (const char* a :
       {"-c", "DROP TABLE IF EXISTS qz_meta", "-c", "DROP TABLE IF EXISTS qz_parent", "-c",
        "CREATE TABLE qz_parent (id INT PRIMARY KEY)", "-c",
        "CREATE TABLE qz_meta (id INT PRIMARY KEY, parent INT REFERENCES "
        "qz_parent (id), label VARCHAR(10) DEFAULT 'x' NOT NULL, amount "
        "NUMERIC(10,2), ok BOOLEAN, stamp TIMESTAMP WITH TIME ZONE)",
        "-c", "CREATE INDEX qz_meta_label ON qz_meta (label, amount)", "-c", "\\d qz_meta", "-c",
        "\\dt qz%", "-c", "\\dn"}) {
    args.push_back(a);
  }
  Result d = box.run(args, "", env);
  EXPECT_EQ(d.code, 0) << d.err;
  auto up = [&](std::string s) {
    if (schema == "PUBLIC") {
      for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
  };
  EXPECT_TRUE(Has(d.out, "Table \"" + schema + "." + up("qz_meta") + "\"\n"));
  size_t wide = 0;
  for (const auto& entry : types) wide = std::max(wide, entry.second.size());
  EXPECT_EQ(lineStarting(d.out, " Column "),
            " Column | Type" + std::string(wide - 4, ' ') + " | Nullable | Default");
  for (const auto& [column, type] : types) {
    EXPECT_TRUE(Has(lineStarting(d.out, " " + up(column) + " "), "| " + type + " "));
  }
  EXPECT_TRUE(Has(lineStarting(d.out, " " + up("label") + " "), "| not null | 'x'"));
  EXPECT_TRUE(Has(lineStarting(d.out, "Primary key: "), "(" + up("id") + ")"));
  EXPECT_TRUE(Has(d.out, "(" + up("parent") + ") REFERENCES " + schema + "." + up("qz_parent") +
                             " (" + up("id") + ")\n"));
  EXPECT_TRUE(
      Has(d.out, "    " + up("qz_meta_label") + " (" + up("label") + ", " + up("amount") + ")\n"));
  EXPECT_TRUE(Has(d.out, " " + schema + " | " + up("qz_parent") + " | "));
  EXPECT_TRUE(Has(d.out, "\n " + schema + "\n"));
}

TEST_F(QzsqlRun, MetaCommandsDescribeTablesAndTheConnection) {
  checkDescribed(box, {"hsql"}, {}, "PUBLIC");
  Result d = box.run({"hsql", "-c", "\\conninfo"});
  EXPECT_TRUE(Has(d.out, "Data source:   hsql\n"));
  EXPECT_TRUE(Has(lineStarting(d.out, "DBMS:"), "HSQL Database Engine"));
  EXPECT_TRUE(Has(d.out, "Connection:    open\n"));

  // \o sends results to a file until a bare \o; a file that cannot be made is an error.
  std::string file = box.root() + "/out.txt";
  Result o = box.run({"hsql", "-c", "\\o " + file, "-c", "VALUES 1", "-c", "\\o", "-c", "VALUES 2",
                      "-c", "\\o " + box.root() + "/no/such/dir"});
  EXPECT_EQ(o.code, 3);
  EXPECT_EQ(box.readFile(file), " C1\n----\n  1\n(1 row)\n\n");
  EXPECT_EQ(o.out, " C1\n----\n  2\n(1 row)\n\n");
  EXPECT_TRUE(Has(o.err, "cannot write " + box.root() + "/no/such/dir: No such file"));

  // \copy: CSV in and out again unchanged, '' apart from NULL; a bad line stops the copy
  // and names itself, the rows of its batch rolled back.
  const std::string csv =
      "ID,NAME,NOTE\r\n1,plain,\r\n2,\"O'Brien \"\"q\"\"\",\"a, b\"\r\n3,\"two\nlines\",\"\"\r\n";
  box.writeFile(box.root() + "/in.csv", csv);
  box.writeFile(box.root() + "/bad.csv", "ID,NAME,NOTE\n4,x,y\n5,short\n");
  Result copied =
      box.run({"hsql", "--continue", "-c",
               "CREATE TABLE qz_copy (id INT, name VARCHAR(20), note VARCHAR(20))", "-c",
               "\\copy qz_copy FROM '" + box.root() + "/in.csv'", "-c",
               "\\copy (SELECT * FROM qz_copy ORDER BY id) TO " + box.root() + "/out.csv", "-c",
               "\\copy qz_copy FROM " + box.root() + "/bad.csv", "-c",
               "SELECT COUNT(*) AS n, COUNT(note) AS notes FROM qz_copy"});
  EXPECT_EQ(copied.code, 3) << copied.err;
  EXPECT_EQ(box.readFile(box.root() + "/out.csv"), csv);
  EXPECT_TRUE(Has(copied.err, "COPY 3\nCOPY 3\n"));
  EXPECT_TRUE(Has(copied.err, "bad.csv:3: 2 fields, the header has 3"));
  EXPECT_TRUE(Has(copied.out, " N | NOTES\n---+-------\n 3 |     2\n"));

  Result notThere = box.run({"hsql", "-c", "\\d no_such_table"});
  EXPECT_EQ(notThere.code, 3);
  EXPECT_TRUE(Has(notThere.err, "no table named \"no_such_table\""));
  Result unknown = box.run({"hsql", "-c", "\\bogus"});
  EXPECT_EQ(unknown.code, 3);
  EXPECT_TRUE(Has(unknown.err, "unknown meta-command \\bogus"));
}

TEST_F(QzsqlRun, MetaCommandsOnPostgresql) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = addPg();
  checkDescribed(box, {"pg", "-U", pg.user()}, {{"QZSQL_PASSWORD", pg.password()}}, "public");
}

TEST_F(QzsqlRun, CopyBetweenDataSourcesKeepsNullsEmptyTextsAndExactDecimals) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = addPg();
  // One password for both: the file database takes the first one it sees.
  const std::map<std::string, std::string> env = {{"QZSQL_PASSWORD", pg.password()}};
  pg.runSql(
      "DROP TABLE IF EXISTS qz_copied; DROP TABLE IF EXISTS qz_pgsrc; "
      "CREATE TABLE qz_pgsrc (id int, note text, price numeric(38,10), flag bool, stamp "
      "timestamp); ALTER TABLE qz_pgsrc OWNER TO qz; INSERT INTO qz_pgsrc VALUES (1, '', "
      "1234567890123456789012345678.0123456789, "
      "true, '2024-01-02 03:04:05.123456'), (2, NULL, NULL, NULL, NULL), (3, E'it''s \"q\", "
      "a\\nb', -0.0000000001, false, '1999-12-31 23:59:59')");

  // HSQLDB to PostgreSQL, the table made from the result's types.
  Result there = box.run(
      {"hsql", "-c",
       "CREATE TABLE src (id INT, name VARCHAR(20), amount NUMERIC(20,6), ok BOOLEAN, day DATE); "
       "INSERT INTO src VALUES (1, 'plain', 12345678901234.123456, TRUE, '2024-02-29'), "
       "(2, '', -0.000001, FALSE, NULL), (3, NULL, NULL, NULL, '1999-12-31')",
       "-c", "\\c pg " + pg.user(), "-c", "\\c hsql", "-c",
       "\\copy (SELECT * FROM src ORDER BY id) TO @pg qz_copied"},
      "", env);
  EXPECT_EQ(there.code, 0) << there.err;
  EXPECT_TRUE(Has(there.err, "COPY 3\n"));
  EXPECT_EQ(pg.runSql("SELECT string_agg(attname || ' ' || format_type(atttypid, atttypmod), "
                      "', ' ORDER BY attnum) FROM pg_attribute WHERE attrelid = "
                      "'qz_copied'::regclass AND attnum > 0"),
            "id integer, name character varying(20), amount numeric(20,6), ok boolean, day date");
  EXPECT_EQ(pg.runSql("SELECT id, coalesce(name, '<null>'), amount, ok, day FROM qz_copied "
                      "ORDER BY id"),
            "1|plain|12345678901234.123456|t|2024-02-29\n2||-0.000001|f|\n3|<null>|||1999-12-31");

  // PostgreSQL to HSQLDB, twice: made, then added to.
  const std::string copy = "\\copy qz_pgsrc TO @hsql qz_back";
  Result back = box.run({"pg", "-U", pg.user(), "-c", copy, "-c", copy}, "", env);
  EXPECT_EQ(back.code, 0) << back.err;
  EXPECT_TRUE(Has(back.err, "COPY 3\nCOPY 3\n"));
  Result read =
      box.run({"hsql", "--format", "csv", "-c", "SELECT * FROM qz_back ORDER BY id"}, "", env);
  EXPECT_EQ(read.out,
            "ID,NOTE,PRICE,FLAG,STAMP\r\n"
            "1,\"\",1234567890123456789012345678.0123456789,TRUE,2024-01-02 03:04:05.123456\r\n"
            "1,\"\",1234567890123456789012345678.0123456789,TRUE,2024-01-02 03:04:05.123456\r\n"
            "2,,,,\r\n2,,,,\r\n"
            "3,\"it's \"\"q\"\", a\nb\",-0.0000000001,FALSE,1999-12-31 23:59:59.000000\r\n"
            "3,\"it's \"\"q\"\", a\nb\",-0.0000000001,FALSE,1999-12-31 23:59:59.000000\r\n")
      << read.err;

  // A source that fails leaves the target as it was; a binary column is refused by name.
  Result bad =
      box.run({"pg", "-U", pg.user(), "--continue", "-c",
               "\\copy (SELECT id, decode('00', 'hex') AS raw FROM qz_pgsrc) TO @hsql qz_raw", "-c",
               "\\copy (SELECT 1/0 AS x) TO @hsql qz_back"},
              "", env);
  EXPECT_EQ(bad.code, 3);
  EXPECT_TRUE(Has(bad.err, "column raw is binary"));
  EXPECT_TRUE(Has(bad.err, "22012: division by zero"));
}

TEST_F(QzsqlRun, AutoCommitOffKeepsChangesUntilCommit) {
  ASSERT_EQ(box.run({"hsql", "-c", "CREATE TABLE ac (a INT)"}).code, 0);
  Result r = box.run({"hsql", "-c", "\\autocommit off", "-c",
                      "INSERT INTO ac VALUES (1); INSERT INTO ac VALUES (2)", "-c", "\\rollback",
                      "-c", "SELECT COUNT(*) AS n FROM ac", "-c", "INSERT INTO ac VALUES (3)", "-c",
                      "\\commit"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "INSERT 1\nINSERT 1\nROLLBACK\n N\n---\n 0\n(1 row)\n\nINSERT 1\nCOMMIT\n");
  EXPECT_TRUE(Has(r.err, "Auto-commit is off."));
  Result after = box.run({"hsql", "--format", "csv", "-c", "SELECT a FROM ac"});
  EXPECT_EQ(after.out, "A\r\n3\r\n");

  // \copy inside the user's transaction commits nothing of its own.
  box.writeFile(box.root() + "/ac.csv", "A\n4\n5\n");
  Result copied = box.run({"hsql", "--format", "csv", "-c", "\\autocommit off", "-c",
                           "\\copy ac FROM " + box.root() + "/ac.csv", "-c", "\\rollback", "-c",
                           "SELECT COUNT(*) AS n FROM ac"});
  EXPECT_EQ(copied.out, "N\r\n1\r\n") << copied.err;
}

std::string repeat(const std::string& text, int times) {
  std::string out;
  while (times-- > 0) out += text;
  return out;
}

// Values far beyond the record set's buffers (8192 bytes), one with 4-byte characters that a
// cut would split, in a text column read cut and a large-object one read whole. (The database
// tests read long values on PostgreSQL; qzsql's part is the same on every driver.)
TEST_F(QzsqlRun, LongValuesArriveWhole) {
  std::string file = box.root() + "/long.csv";
  Result r = box.run({"hsql", "--format", "csv", "-o", file, "-c",
                      "CREATE TABLE qz_long (v VARCHAR(20000), u VARCHAR(20000), c CLOB); "
                      "INSERT INTO qz_long VALUES (REPEAT('x', 12000), REPEAT('a😀', 3000), "
                      "REPEAT('ü', 9000)); SELECT v, u, c FROM qz_long"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::string want = "V,U,C\r\n" + std::string(12000, 'x') + "," + repeat("a😀", 3000) + "," +
                     repeat("ü", 9000) + "\r\n";
  std::string got = box.readFile(file);
  EXPECT_EQ(got.size(), want.size());
  EXPECT_TRUE(got == want) << got.substr(0, 60);
}

TEST_F(QzsqlRun, OutputThatCannotBeWrittenIsAnError) {
  // Small enough to sit in a buffer until the end, and large enough to fail midway.
  Result small = box.run({"hsql", "-o", "/dev/full", "-c", "CREATE TABLE later (a INT)"});
  EXPECT_EQ(small.code, 1);
  EXPECT_EQ(small.err, "qzsql: cannot write /dev/full: No space left on device\n");
  Result large = box.run({"hsql", "--format", "csv", "-o", "/dev/full", "--continue", "-c",
                          "SELECT REPEAT('x', 1000) AS v FROM INFORMATION_SCHEMA.COLUMNS", "-c",
                          "DROP TABLE later"});
  EXPECT_EQ(large.code, 1);
  EXPECT_EQ(large.err, "qzsql: cannot write /dev/full: No space left on device\n");
  // Nothing runs once the output is lost, not even with --continue.
  EXPECT_EQ(box.run({"hsql", "-c", "SELECT COUNT(*) AS n FROM later"}).code, 0);
}

TEST_F(QzsqlRun, TextWithANulByteIsRefusedInEveryInput) {
  ASSERT_EQ(box.run({"hsql", "-c", "CREATE TABLE n (id INT); INSERT INTO n VALUES (1), (2)"}).code,
            0);
  using std::string_literals::operator""s;
  std::string script = box.root() + "/nul.sql";
  // Cut at the NUL, the DELETE would lose its WHERE and empty the table.
  const std::string text =
      "SELECT id FROM n WHERE id = 1;\nDELETE FROM n\0 WHERE id = 2;\n"
      "INSERT INTO n VALUES (3);\nDELETE FROM n\nWHERE\0 id = 1;\n"s;
  box.writeFile(script, text);
  auto count = [&] {
    return box.run({"hsql", "--format", "csv", "-c", "SELECT COUNT(*) AS c FROM n"}).out;
  };

  Result stop = box.run({"hsql", "-f", script});
  EXPECT_EQ(stop.code, 3);
  EXPECT_EQ(stop.err, script +
                          ":2: ERROR:  the text holds a NUL byte (byte 14 of the line); "
                          "it was not run\n");
  EXPECT_EQ(count(), "C\r\n2\r\n");

  Result goOn = box.run({"hsql", "--continue", "-f", script});
  EXPECT_EQ(goOn.code, 3);
  EXPECT_TRUE(Has(goOn.err, script + ":5: ERROR:  the text holds a NUL byte (byte 6"));
  EXPECT_EQ(count(), "C\r\n3\r\n");

  Result piped = box.run({"hsql"}, text);
  EXPECT_EQ(piped.code, 3);
  EXPECT_TRUE(Has(piped.err, "<stdin>:2: ERROR:  the text holds a NUL byte"));
  Result included = box.run({"hsql", "-c", "\\i " + script});
  EXPECT_EQ(included.code, 3);
  EXPECT_TRUE(Has(included.err, script + ":2: ERROR:  the text holds a NUL byte"));
  EXPECT_EQ(count(), "C\r\n3\r\n");
}

TEST_F(QzsqlRun, PromptEditsStatementsStopsLongResultsAndKeepsHistory) {
  ASSERT_EQ(box.run({"hsql", "-c",
                     "CREATE TABLE ten (d INT); "
                     "INSERT INTO ten VALUES (0), (1), (2), (3), (4), (5), (6), (7), (8), (9)"})
                .code,
            0);
  Terminal t(box, {"hsql"}, {{"PAGER", "sed s/^/paged:/"}});
  ASSERT_TRUE(t.waitFor("hsql=> "));
  // Taller than the terminal's 40 rows: through the pager, unless it is off.
  ASSERT_TRUE(t.typeAndWait("SELECT a.d * 10 + b.d AS n FROM ten a, ten b ORDER BY n;\r",
                            "paged:(100 rows)"));
  t.type("\\pset pager off\r");
  ASSERT_TRUE(
      t.typeAndWait("SELECT a.d * 10 + b.d AS n FROM ten a, ten b ORDER BY n;\r", "\n(100 rows)"));
  t.type("SELECT COUNT(*)\r");
  ASSERT_TRUE(t.waitFor("hsql-> "));
  t.type("AS n FROM ten WHERE d <> LENGTH('x;\r");
  ASSERT_TRUE(t.waitFor("hsql'> "));
  t.type("');\r");
  ASSERT_TRUE(t.waitFor(" N\r\n---\r\n 9\r\n(1 row)"));
  ASSERT_TRUE(t.waitFor("hsql=> "));

  // A million rows: Ctrl-C stops them, and the session (and its VM) goes on.
  t.type("SELECT a.d FROM ten a, ten b, ten c, ten e, ten f, ten g;\r");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  t.type("\x03");
  // Whether the rows were still being made or already being read depends on the machine.
  ASSERT_TRUE(t.waitFor("qzsql: output stopped"));
  ASSERT_TRUE(t.waitFor("hsql=> "));
  EXPECT_FALSE(Has(t.output(), "(1000000 rows)"));

  // Ctrl-C at the prompt drops what was typed.
  t.type("SELECT 'never run");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(t.typeAndWait("\x03", "hsql=> "));
  ASSERT_TRUE(t.typeAndWait("SELECT MAX(d) AS top\r", "hsql-> "));
  ASSERT_TRUE(t.typeAndWait("FROM ten;\r", " TOP\r\n-----\r\n   9\r\n(1 row)"));
  t.type("\\q\r");
  EXPECT_EQ(t.wait(), 0) << t.output();

  // After a restart, Up recalls the statement of two lines whole; Tab completes table
  // names (from metadata) and meta-commands.
  Terminal again(box, {"hsql"});
  ASSERT_TRUE(again.waitFor("hsql=> "));
  ASSERT_TRUE(again.typeAndWait("\x1b[A\x1b[A\r", " TOP\r\n-----\r\n   9\r\n(1 row)"));
  ASSERT_TRUE(again.typeAndWait("SELECT COUNT(*) AS c FROM te\t", "TEN "));
  ASSERT_TRUE(again.typeAndWait(";\r", " C\r\n----\r\n 10\r\n(1 row)"));
  ASSERT_TRUE(again.typeAndWait("\\conni\t", "\\conninfo "));
  ASSERT_TRUE(again.typeAndWait("\r", "Data source:   hsql"));
  again.type("\\q\r");
  EXPECT_EQ(again.wait(), 0) << again.output();

  std::string history = box.readFile(box.home() + "/.qzsql_history_hsql");
  EXPECT_TRUE(Has(history,
                  "SELECT MAX(d) AS top\x01"
                  "FROM ten;\n"));
  EXPECT_TRUE(Has(history, "SELECT COUNT(*)"));
  EXPECT_FALSE(Has(history, "never run"));
}

TEST_F(QzsqlRun, ConnectSwitchesDataSourcesAndRecoversALostServer) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = addPg();
  struct Revive {
    ~Revive() {
      if (!qztest::pgServer().running()) qztest::pgServer().restart();
    }
  } revive;
  const std::string wrong = "Wrong-Quokka-4417";
  Terminal t(box, {"hsql"});
  ASSERT_TRUE(t.waitFor("hsql=> "));
  // The empty password is refused: asked for, without echo; a wrong one keeps the old
  // connection, and neither password shows anywhere.
  ASSERT_TRUE(t.typeAndWait("\\c pg " + pg.user() + "\r", "Password for pg: "));
  ASSERT_TRUE(t.typeAndWait(wrong + "\r", "password authentication failed"));
  ASSERT_TRUE(t.waitFor("hsql=> "));
  ASSERT_TRUE(t.typeAndWait("\\verbose on\r\\connect pg " + pg.user() + "\r", "Password for pg: "));
  ASSERT_TRUE(
      t.typeAndWait(pg.password() + "\r", "Connected to data source \"pg\" as user \"qz\"."));
  ASSERT_TRUE(t.waitFor("pg=> "));
  ASSERT_TRUE(t.typeAndWait("SELECT 40 + 1 AS answer;\r", "41\r\n(1 row)"));

  // The server goes: the failure says how to go on; once it is back, \c with the password
  // that worked, and the session goes on.
  pg.stopImmediately();
  ASSERT_TRUE(t.typeAndWait("SELECT 2 AS two;\r", "use \\connect (\\c) to connect again"));
  EXPECT_TRUE(Has(t.output(), "ERROR:  08"));
  ASSERT_TRUE(t.waitFor("pg=> "));
  pg.restart();
  ASSERT_TRUE(t.typeAndWait("\\c\r", "Connected to data source \"pg\""));
  ASSERT_TRUE(t.typeAndWait("SELECT 3 AS three;\r", "3\r\n(1 row)"));
  // A password typed on the line is refused, and kept out of the history. Typed only at the
  // prompt: text typed ahead is echoed by the terminal and again by the line editor.
  ASSERT_TRUE(t.waitFor("pg=> "));
  ASSERT_TRUE(
      t.typeAndWait("\\c pg " + pg.user() + " " + wrong + "\r", "the password is asked for"));
  ASSERT_TRUE(t.typeAndWait("\\c hsql\r", "hsql=> "));
  t.type("\\q\r");
  EXPECT_EQ(t.wait(), 0) << t.output();
  EXPECT_EQ(t.output().find(wrong), t.output().rfind(wrong)) << "only where it was typed";
  EXPECT_FALSE(Has(t.output(), pg.password()));
  std::string history = box.readFile(box.home() + "/.qzsql_history_hsql");
  EXPECT_TRUE(Has(history, "\\c pg " + pg.user()));
  EXPECT_FALSE(Has(history, wrong));
  EXPECT_FALSE(Has(history, pg.password()));

  // Nor in a verbose refusal of the command line's connect.
  Result refused =
      box.run({"pg", "-v", "-U", pg.user(), "-c", "SELECT 1"}, "", {{"QZSQL_PASSWORD", wrong}});
  EXPECT_EQ(refused.code, 2);
  EXPECT_TRUE(Has(refused.err, "28P01"));
  EXPECT_FALSE(Has(refused.err + refused.out, wrong));
}

TEST_F(QzsqlRun, PasswordPromptNeedsATerminal) {
  // Read from the statements' input, the first statement would be taken for the password.
  Result r = box.run({"hsql", "-W"}, "SELECT 1;\n", {{"QZSQL_PASSWORD", ""}});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err,
            "qzsql: -W asks for the password at a terminal, and standard input is none (set "
            "QZSQL_PASSWORD instead)\n");
  EXPECT_EQ(r.out, "");
}

TEST_F(QzsqlRun, PromptAsksForThePasswordWithoutEchoAndCtrlCCancelsTheStatement) {
  QZ_SKIP_WITHOUT_PG();
  qztest::PgServer& pg = addPg();
  Terminal t(box, {"pg", "-U", pg.user()});
  ASSERT_TRUE(t.waitFor("Password for pg: "));
  t.type(pg.password() + "\r");
  ASSERT_TRUE(t.waitFor("pg=> "));
  EXPECT_FALSE(Has(t.output(), pg.password()));
  ASSERT_TRUE(t.typeAndWait("\\conninfo\r", "PostgreSQL"));
  ASSERT_TRUE(t.waitFor("pg=> "));

  // The driver stops the statement: the prompt is back long before its 8 s are over.
  t.type("SELECT pg_sleep(8);\r");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  auto pressed = std::chrono::steady_clock::now();
  ASSERT_TRUE(t.typeAndWait("\x03", "canceling statement due to user request"));
  ASSERT_TRUE(t.waitFor("pg=> "));
  EXPECT_LT(std::chrono::steady_clock::now() - pressed, std::chrono::seconds(3));
  ASSERT_TRUE(t.typeAndWait("SELECT 41 + 1 AS answer;\r", "42\r\n(1 row)"));
  t.type("\\q\r");
  EXPECT_EQ(t.wait(), 0) << t.output();

  // In a script the cancelled statement ends the run, --continue or not.
  Terminal script(box,
                  {"pg", "-U", pg.user(), "--continue", "-c", "SELECT pg_sleep(8)", "-c",
                   "SELECT 'not run' AS never"},
                  {{"QZSQL_PASSWORD", pg.password()}});
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  script.type("\x03");
  EXPECT_EQ(script.wait(), 130) << script.output();
  EXPECT_TRUE(Has(script.output(), "canceling statement due to user request"));
  EXPECT_FALSE(Has(script.output(), "not run"));
}

}  // namespace
}  // namespace qzsqltest
