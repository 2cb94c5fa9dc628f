// The driver matrix: one end-to-end run of the objects a script uses (connect, DDL, DML with
// literals, every column type walked through a record set, Count, a row update, table
// information, commit and rollback) against HSQLDB, H2, Derby, SQLite and PostgreSQL.
// What a database cannot do is stated in its capability row and checked as a refusal, never
// skipped; the README's matrix table shows the same rows.
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "tests/database/rs_fixture.h"

namespace {

using dbtest::RecordSetFixture;
using dbtest::Rows;
using qztest::Obj;
using qztest::Outcome;
using Strings = std::vector<std::string>;

// One column of the all-types table: its DDL type, the SQL text of the value inserted, and the
// text FullText reads where plain JDBC's getString cannot read the type (else null).
struct Column {
  const char* name;
  const char* type;
  const char* literal;
  const char* text = nullptr;
};

struct Capabilities {
  bool updatableResults;  // a record set's update writes the row back
  bool sqlStates;         // the driver's errors carry an SQL state
  std::vector<Column> extraTypes;
};

// The text of a column whose value the driver refuses to hand out as text.
const char kRefused[] = "<refused>";

// The data a literal carries: quotes, a backslash, a semicolon, a statement that would drop the
// table, and text beyond ASCII. It must be stored and read back, never run.
const char kNasty[] = "'O''Brien \\ ; DROP TABLE victim; -- Zoë'";
const char kNastyValue[] = "O'Brien \\ ; DROP TABLE victim; -- Zoë";

const std::vector<Column>& commonTypes() {
  static const std::vector<Column> columns = {
      {"c_small", "SMALLINT", "-32768"},       {"c_int", "INTEGER", "2147483647"},
      {"c_big", "BIGINT", "9007199254740993"}, {"c_dec", "DECIMAL(12,3)", "-123456789.125"},
      {"c_num", "NUMERIC(5,2)", "0.07"},       {"c_real", "REAL", "0.5"},
      {"c_dbl", "DOUBLE PRECISION", "-2.25"},  {"c_char", "CHAR(5)", "'ab'"},
      {"c_text", "VARCHAR(60)", kNasty},       {"c_empty", "VARCHAR(5)", "''"},
  };
  return columns;
}

// The columns hsqldb, H2 and PostgreSQL take alike (a boolean, a float and the typed date and
// time literals of the SQL standard), then those of the database's own.
std::vector<Column> standardTypes(std::initializer_list<Column> own) {
  std::vector<Column> columns = {{"c_bool", "BOOLEAN", "TRUE"},
                                 {"c_float", "FLOAT", "1.5"},
                                 {"c_date", "DATE", "DATE '2024-02-29'"},
                                 {"c_time", "TIME", "TIME '13:14:15'"},
                                 {"c_ts", "TIMESTAMP", "TIMESTAMP '2024-02-29 13:14:15.5'"}};
  columns.insert(columns.end(), own);
  return columns;
}

const std::map<std::string, Capabilities>& capabilities() {
  static const std::map<std::string, Capabilities> table = {
      {"hsqldb",
       {true, true,
        standardTypes(
            {{"c_tiny", "TINYINT", "-128"},
             {"c_tstz", "TIMESTAMP WITH TIME ZONE", "TIMESTAMP '2024-02-29 13:14:15+02:00'"},
             {"c_ival", "INTERVAL DAY TO SECOND", "INTERVAL '1 02:03:04' DAY TO SECOND"},
             {"c_long", "LONGVARCHAR", "'long text'"},
             {"c_clob", "CLOB", "'clob text'"},
             {"c_bin", "VARBINARY(8)", "X'00ff'"},
             {"c_blob", "BLOB", "X'0102'", kRefused},
             {"c_bit", "BIT(1)", "B'1'"},
             {"c_uuid", "UUID", "'0e984725-c51c-4bf4-9960-e1c80e27aba0'"}})}},
      {"h2",
       {true, true,
        standardTypes({{"c_tiny", "TINYINT", "-128"},
                       {"c_tstz", "TIMESTAMP WITH TIME ZONE",
                        "TIMESTAMP WITH TIME ZONE '2024-02-29 13:14:15+02:00'"},
                       {"c_ival", "INTERVAL DAY TO SECOND", "INTERVAL '1 02:03:04' DAY TO SECOND"},
                       {"c_clob", "CLOB", "'clob text'"},
                       {"c_bin", "VARBINARY(8)", "X'41ff'"},
                       {"c_blob", "BLOB", "X'0102'"},
                       {"c_uuid", "UUID", "'0e984725-c51c-4bf4-9960-e1c80e27aba0'"},
                       {"c_json", "JSON", "'{\"a\":1}' FORMAT JSON"}})}},
      {"derby",
       {true,
        true,
        {{"c_bool", "BOOLEAN", "TRUE"},
         {"c_float", "FLOAT", "1.5"},
         {"c_date", "DATE", "'2024-02-29'"},
         {"c_time", "TIME", "'13:14:15'"},
         {"c_ts", "TIMESTAMP", "'2024-02-29 13:14:15.5'"},
         {"c_long", "LONG VARCHAR", "'long text'"},
         {"c_clob", "CLOB", "'clob text'"},
         {"c_bin", "VARCHAR(8) FOR BIT DATA", "X'00ff'"},
         {"c_blob", "BLOB", "CAST(X'0102' AS BLOB)"}}}},
      {"sqlite",
       {false,
        false,
        {{"c_bool", "BOOLEAN", "1"},
         {"c_date", "DATE", "'2024-02-29'"},
         {"c_ts", "TIMESTAMP", "'2024-02-29 13:14:15.5'"},
         {"c_clob", "TEXT", "'clob text'"},
         {"c_blob", "BLOB", "X'0102'"}}}},
      {"postgresql",
       {true, true,
        standardTypes({{"c_tstz", "TIMESTAMPTZ", "TIMESTAMPTZ '2024-02-29 13:14:15+02:00'"},
                       {"c_ival", "INTERVAL", "INTERVAL '1 day 02:03:04'"},
                       {"c_clob", "TEXT", "'clob text'"},
                       {"c_bin", "BYTEA", "'\\x00ff'"},
                       {"c_uuid", "UUID", "'0e984725-c51c-4bf4-9960-e1c80e27aba0'"},
                       {"c_json", "JSONB", "'{\"a\": 1}'"},
                       {"c_arr", "INTEGER[]", "'{1,2,3}'"},
                       {"c_money", "NUMERIC", "12345678901234567890.0123456789"},
                       {"c_inet", "INET", "'192.168.0.1'"}})}},
  };
  return table;
}

class DriverMatrixTest : public RecordSetFixture {
 protected:
  const Capabilities& caps() const { return capabilities().at(backendId()); }
  std::vector<Column> allTypes() const {
    std::vector<Column> columns = commonTypes();
    const auto& extra = caps().extraTypes;
    columns.insert(columns.end(), extra.begin(), extra.end());
    return columns;
  }
  // A small keyed table with rows 1..n, written through our objects.
  void keyedTable(const std::string& name, int rows) {
    exec("CREATE TABLE " + name + " (id INTEGER NOT NULL PRIMARY KEY, name VARCHAR(20))");
    for (int i = 1; i <= rows; ++i)
      exec("INSERT INTO " + name + " VALUES (" + std::to_string(i) + ", 'n" + std::to_string(i) +
           "')");
  }
  Strings ids(const std::string& name) {
    Strings out;
    for (const auto& row : probe("SELECT id FROM " + name + " ORDER BY id")) out.push_back(row[0]);
    return out;
  }
};

// Every column type the database has goes in through literals and comes back through a record
// set exactly as plain JDBC reads it; the literal's data lands in the table, never in the SQL.
TEST_P(DriverMatrixTest, EveryColumnTypeRoundTripsThroughTheRecordSet) {
  const std::vector<Column> columns = allTypes();
  std::string ddl = "CREATE TABLE " + table_ + " (id INTEGER NOT NULL PRIMARY KEY";
  std::string names = "id", values = "1";
  for (const Column& c : columns) {
    ddl += std::string(", ") + c.name + " " + c.type;
    names += std::string(", ") + c.name;
    values += std::string(", ") + c.literal;
  }
  exec(ddl + ")");
  exec("CREATE TABLE victim (x INTEGER)");
  exec("INSERT INTO " + table_ + " (" + names + ") VALUES (" + values + ")", "SQLEXEC_UTF8");
  exec("INSERT INTO " + table_ + " (id) VALUES (2)");
  ASSERT_EQ(count("victim"), "0") << "the literal's statement never ran";

  std::string probed = "id";
  for (const Column& c : columns) probed += std::string(", ") + (c.text ? "id" : c.name);
  Rows expected = probe("SELECT " + probed + " FROM " + table_ + " ORDER BY id");
  ASSERT_EQ(expected.size(), 2u);
  for (size_t c = 0; c < columns.size(); ++c) {
    if (!columns[c].text) continue;
    expected[0][c + 1] = columns[c].text;  // the NULL of row 2 reads as NULL still
    expected[1][c + 1] = "<null>";
  }
  EXPECT_EQ(expected[0][9], kNastyValue) << "c_text, stored as data";

  db_.call("option", "EMPTYISNULL", 0);
  Obj rs = open("SELECT " + names + " FROM " + table_ + " ORDER BY id");
  EXPECT_EQ(rs.get("Count").asInt(), 2);
  Obj f = fieldsOf(rs);
  ASSERT_EQ(f.get("Count").asInt(), static_cast<int32_t>(columns.size() + 1));
  for (size_t row = 0; row < expected.size(); ++row) {
    ASSERT_EQ(rs.get("Eof").asInt(), 0) << "row " << row;
    for (size_t c = 0; c < expected[row].size(); ++c) {
      const std::string name = c == 0 ? "id" : columns[c - 1].name;
      SCOPED_TRACE(name + (c == 0 ? "" : std::string(" ") + columns[c - 1].type) + ", row " +
                   std::to_string(row + 1));
      Outcome field = f.tryCall("Field", static_cast<int32_t>(c), 3);
      EXPECT_TRUE(field.ok()) << field.error.text();
      Outcome full = f.tryCall("FullText", static_cast<int32_t>(c));
      if (expected[row][c] == kRefused) {
        EXPECT_FALSE(full.ok()) << "a value that cannot be read must not read as NULL";
        EXPECT_NE(full.error.innerDescription, "") << full.error.text();
        continue;
      }
      ASSERT_TRUE(full.ok()) << full.error.text();
      EXPECT_EQ(valueText(full.result), expected[row][c]);
      if (row == 1 && c > 0) {
        EXPECT_TRUE(field.result.isUndef())
            << "NULL reads empty: " << qztest::describe(field.result);
      }
    }
    rs.call("fetch", 3, 0);
  }
  EXPECT_EQ(rs.get("Eof").asInt(), 1);

  // The typed readings a script relies on.
  exec_.call("execute");
  EXPECT_EQ(f.call("Field", "c_int", 3).asInt(), 2147483647);
  EXPECT_EQ(f.call("Field", "c_small", 3).asInt(), -32768);
  EXPECT_EQ(f.call("Field", "c_dbl", 3).asDouble(), -2.25);
  EXPECT_EQ(f.call("Field", "c_text", 3).text(), kNastyValue);
  EXPECT_EQ(f.call("FullText", "c_big").text(), "9007199254740993") << "beyond a double, exact";
  EXPECT_EQ(f.call("Field", "c_empty", 4).asInt(), 0) << "'' apart from NULL";
}

// Count, a row written back through an updatable record set (or refused where the driver has
// none), and the rows the probe sees afterwards.
TEST_P(DriverMatrixTest, CountAndUpdateOfARow) {
  keyedTable(table_, 4);
  Obj counted = open("SELECT id, name FROM " + table_ + " WHERE name <> 'n2'");
  EXPECT_EQ(counted.get("Count").asInt(), 3);
  EXPECT_EQ(walk(counted).size(), 3u);

  // Scrollable and updatable, set before the statement runs, as a script does.
  Outcome o;
  {
    Obj rs = db_.call("createObject", "RECORDSET").object();
    ASSERT_EQ(setOption(rs, 1, 2), 0);
    ASSERT_EQ(setOption(rs, 2, 2), 0);
    Obj query = rs.call("transaction", "SQLEXEC").object();
    query.call("statement", "SELECT id, name FROM " + table_);
    o = query.tryCall("execute");
    if (o.ok()) {
      Obj f = fieldsOf(rs);
      while (rs.get("Eof").asInt() == 0 && f.call("Field", "id", 3).asInt() != 3)
        rs.call("fetch", 3, 0);
      ASSERT_EQ(rs.get("Eof").asInt(), 0);
      EXPECT_EQ(setField(f, "name", "changed"), 0);
      o = rs.tryCall("update");
    }
  }  // Derby's updatable cursor locks the rows the probe reads until it is gone
  Rows after = probe("SELECT id, name FROM " + table_ + " ORDER BY id");
  if (caps().updatableResults) {
    ASSERT_TRUE(o.ok()) << o.error.text();
    EXPECT_EQ(after, (Rows{{"1", "n1"}, {"2", "n2"}, {"3", "changed"}, {"4", "n4"}}));
  } else {
    EXPECT_FALSE(o.ok()) << "a driver without updatable results must not report the row written";
    EXPECT_FALSE(o.error.text().empty());
    EXPECT_EQ(after, (Rows{{"1", "n1"}, {"2", "n2"}, {"3", "n3"}, {"4", "n4"}}));
  }

  // An UPDATE statement with a literal is the way that works everywhere.
  Obj e = exec("UPDATE " + table_ + " SET name = 'x''y' WHERE id = 4");
  EXPECT_EQ(probe("SELECT name FROM " + table_ + " WHERE id = 4"), (Rows{{"x'y"}}));
}

TEST_P(DriverMatrixTest, TableInfoListsColumnsAndKeys) {
  const std::string parent = table_ + "p", child = table_ + "c";
  exec("CREATE TABLE " + parent + " (pid INTEGER NOT NULL PRIMARY KEY)");
  exec("CREATE TABLE " + child + " (id INTEGER NOT NULL, pid INTEGER, note VARCHAR(30)," +
       " PRIMARY KEY (id), FOREIGN KEY (pid) REFERENCES " + parent + " (pid))");
  Obj ti = db_.call("createObject", "TABLEINFO").object();
  ASSERT_TRUE(ti);
  ti.put("tablename", stored(child));
  Outcome run = ti.tryCall("execute");
  ASSERT_TRUE(run.ok()) << run.error.text();
  Obj res = ti.get("result").object();
  ASSERT_TRUE(res);
  EXPECT_EQ(res.call("tableinfo", 1).text(), stored(child));
  ASSERT_EQ(res.get("countColumns").asInt(), 3);
  std::string roles;
  for (int32_t c = 0; c < 3; ++c)
    roles += res.call("columnInfo", c, 1).text() + ":" +
             std::to_string(res.call("columnInfo", c, 5).asInt()) + " ";
  EXPECT_EQ(roles, stored("id") + ":2 " + stored("pid") + ":3 " + stored("note") + ":1 ")
      << "2: primary key, 3: foreign key, 1: plain";
  EXPECT_EQ(res.call("columnInfo", "note", 6).asInt(), 12) << "VARCHAR";
  EXPECT_EQ(res.call("columnInfo", "note", 7).asInt(), 30);
}

TEST_P(DriverMatrixTest, DatabaseInfoDescribesTheConnection) {
  Obj info = db_.call("createObject", "DATABASEINFO").object();
  ASSERT_TRUE(info);
  EXPECT_FALSE(info.get("dbmsname").text().empty());
  EXPECT_FALSE(info.get("dbmsversion").text().empty());
  EXPECT_EQ(info.get("databasename").text(), "DemoServerDB");
  EXPECT_EQ(info.get("connectionState").asInt(), 1);
}

// With auto-commit off: rollback drops uncommitted rows, commit keeps them, a statement that
// fails inside the transaction leaves exactly the committed rows after rollback, and the
// setting survives a reconnect of the same object.
TEST_P(DriverMatrixTest, CommitRollbackAndAFailedStatementInATransaction) {
  keyedTable(table_, 2);
  // Only the low byte of the value counts: 256 is off.
  ASSERT_EQ(db_.call("option", 1, 256).asInt(), 1);
  exec("INSERT INTO " + table_ + " VALUES (3, 'n3')");
  db_.call("rollback");
  EXPECT_EQ(ids(table_), (Strings{"1", "2"}));

  exec("INSERT INTO " + table_ + " VALUES (3, 'n3')");
  db_.call("commit");
  EXPECT_EQ(ids(table_), (Strings{"1", "2", "3"}));

  exec("INSERT INTO " + table_ + " VALUES (4, 'n4')");
  Obj bad = db_.call("createObject", "SQLEXEC").object();
  bad.call("statement", "INSERT INTO " + table_ + " VALUES (1, 'duplicate key')");
  Outcome failed = bad.tryCall("execute");
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(failed.error.innerSqlState.empty(), !caps().sqlStates) << failed.error.text();
  db_.call("rollback");
  EXPECT_EQ(ids(table_), (Strings{"1", "2", "3"})) << "the committed rows, no more, no fewer";

  // The same object connects again: its transaction settings go with it.
  connect();
  exec("INSERT INTO " + table_ + " VALUES (5, 'n5')");
  db_.call("rollback");
  EXPECT_EQ(ids(table_), (Strings{"1", "2", "3"})) << "auto-commit stayed off across reconnect";
  ASSERT_EQ(db_.call("option", 1, 1).asInt(), 1);
  connect();
  exec("INSERT INTO " + table_ + " VALUES (6, 'n6')");
  db_.tryCall("rollback");  // PostgreSQL refuses a rollback in auto-commit mode
  EXPECT_EQ(ids(table_), (Strings{"1", "2", "3", "6"})) << "and on again when turned on";
}

QZ_ALL_BACKENDS(DriverMatrixTest);

}  // namespace
