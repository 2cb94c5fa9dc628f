// Table information with a real driver: lookup by name and schema, columns with their
// attributes, composite primary keys and foreign keys to several tables, quoted and long
// names, ambiguous patterns, and repeated runs.
#include "database/table_info.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/database/rs_fixture.h"

namespace {

using dbtest::nativeOf;
using dbtest::RecordSetFixture;
using qztest::Obj;
using qztest::Outcome;

class TableInfoTest : public RecordSetFixture {
 protected:
  std::string schemaName() const { return postgres() ? "public" : "PUBLIC"; }
  // A table information object that has run for name; the outcome of execute in *outcome.
  Obj info(const std::string& name, Outcome* outcome = nullptr) {
    Obj ti = db_.call("createObject", "TABLEINFO").object();
    if (!ti) throw std::runtime_error("no TABLEINFO");
    ti.put("tablename", name);
    Outcome o = ti.tryCall("execute");
    if (outcome) {
      *outcome = o;
    } else if (!o.ok()) {
      ADD_FAILURE() << "execute of " << name << ": " << o.error.text();
    }
    return ti;
  }
  static Obj result(const Obj& ti) { return ti.get("result").object(); }
  // "name:role:flags" of every column, in order.
  static std::string keys(const Obj& res) {
    std::string text;
    const int32_t n = res.get("countColumns").asInt();
    for (int32_t c = 0; c < n; ++c) {
      if (c) text += " ";
      Outcome role = res.tryCall("columnInfo", c, 5);
      text += res.call("columnInfo", c, 1).text() + ":" +
              (role.ok() ? std::to_string(role.result.asInt()) : "lost") + ":" +
              std::to_string(res.call("columnInfo", c, 8).asInt());
    }
    return text;
  }
};

TEST_P(TableInfoTest, ColumnsAndKeysOfATableWithCompositeAndForeignKeys) {
  const std::string a = table_ + "a", b = table_ + "b", child = table_ + "c";
  exec("CREATE TABLE " + a + " (a1 INT, a2 INT, PRIMARY KEY (a1, a2))");
  exec("CREATE TABLE " + b + " (b INT PRIMARY KEY)");
  exec("CREATE TABLE " + child +
       " (id INT NOT NULL, b INT NOT NULL, a1 INT, a2 INT, note VARCHAR(30), amount DECIMAL(8,2),"
       " PRIMARY KEY (id, b), FOREIGN KEY (a1, a2) REFERENCES " +
       a +
       " (a1, a2),"
       " FOREIGN KEY (b) REFERENCES " +
       b + " (b))");
  // Literals go to the database as bound values, and COMMENT takes none: the probe says it.
  probeUpdate("COMMENT ON COLUMN " + child + ".note IS 'what it is for'");

  Obj ti = info(stored(child));
  EXPECT_TRUE(ti.offers("DATABASE.TABLEINFOTRANS"));
  EXPECT_TRUE(ti.offers("DATABASE.TRANSACTION"));
  Obj res = result(ti);
  ASSERT_TRUE(res);
  EXPECT_TRUE(res.offers("DATABASE.TABLEINFORES"));
  EXPECT_EQ(res.call("tableinfo", 1).text(), stored(child));
  EXPECT_EQ(res.call("tableinfo", 3).text(), schemaName());
  EXPECT_EQ(res.call("tableinfo", 2).text(), postgres() ? "" : "PUBLIC") << "the catalog";
  EXPECT_FALSE(res.tryCall("tableinfo", 4).ok());

  EXPECT_EQ(res.get("countColumns").asInt(), 6);
  EXPECT_EQ(keys(res), stored("id") + ":2:1 " + stored("b") + ":3:3 " + stored("a1") + ":3:2 " +
                           stored("a2") + ":3:2 " + stored("note") + ":1:0 " + stored("amount") +
                           ":1:0")
      << "b is in both keys; the foreign-key step runs last";

  EXPECT_EQ(res.call("columnInfo", "NOTE", 1).text(), stored("note")) << "names ignore case";
  EXPECT_EQ(res.call("columnInfo", "note", 2).asInt(), 4);
  EXPECT_EQ(res.call("columnInfo", "note", 3).asInt(), 4) << "the position from 0";
  EXPECT_EQ(res.call("columnInfo", "note", 4).text(), "what it is for");
  EXPECT_EQ(res.call("columnInfo", "note", 6).asInt(), 12);
  EXPECT_EQ(res.call("columnInfo", "note", 7).asInt(), 30);
  EXPECT_EQ(res.call("columnInfo", 0, 3).asInt(), 0);
  EXPECT_EQ(res.call("columnInfo", 0, 2).asInt(), 1);
  EXPECT_EQ(res.call("columnInfo", 0.5, 6).asInt(), 4);
  EXPECT_EQ(res.call("columnInfo", "amount", 2).asInt(), 2);
  EXPECT_EQ(res.call("columnInfo", "amount", 6).asInt(), postgres() ? 2 : 3);
  EXPECT_TRUE(res.call("columnInfo", "id", 4).text().empty()) << "no remarks";
  for (auto [column, code] :
       {std::pair<qztest::Value, int>{"nosuch", 1}, {99, 1}, {-1, 1}, {0, 9}, {0, 0}}) {
    EXPECT_FALSE(res.tryCall("columnInfo", column, code).ok()) << qztest::describe(column);
  }

  // A table without keys: every column is plain.
  Obj plain = info(stored(b));
  EXPECT_EQ(keys(result(plain)), stored("b") + ":2:1");
  Obj parent = info(stored(a));
  EXPECT_EQ(keys(result(parent)), stored("a1") + ":2:1 " + stored("a2") + ":2:1");
}

TEST_P(TableInfoTest, SchemaQuotedMixedCaseAndLongNames) {
  exec("CREATE TABLE \"Mixed" + table_ + "\" (\"Id\" INT PRIMARY KEY, \"Text\" VARCHAR(10))");
  const std::string mixed = "Mixed" + table_;
  for (const std::string& name : {mixed, "\"" + mixed + "\"", schemaName() + "." + mixed,
                                  "\"" + schemaName() + "\".\"" + mixed + "\""}) {
    SCOPED_TRACE(name);
    Obj ti = info(name);
    Obj res = result(ti);
    EXPECT_EQ(res.call("tableinfo", 1).text(), mixed);
    EXPECT_EQ(keys(res), "Id:2:1 Text:1:0");
  }
  Outcome o;
  info(stored(mixed), &o);
  EXPECT_FALSE(o.ok()) << "letter case counts in a stored name";

  // Names longer than forty characters, and key columns longer than 31.
  const std::string parent = table_ + "_a_parent_table_with_a_long_name_xxxxxxxx";
  const std::string child = table_ + "_a_child_table_with_an_even_longer_name_yyyyyy";
  const std::string key = "a_primary_key_column_with_a_long_name_zzzzz";
  const std::string ref = "a_foreign_key_column_with_a_long_name_wwwww";
  ASSERT_GT(parent.size(), 40u);
  exec("CREATE TABLE " + parent + " (" + key + " INT PRIMARY KEY)");
  exec("CREATE TABLE " + child + " (" + key + " INT PRIMARY KEY, " + ref + " INT REFERENCES " +
       parent + " (" + key + "))");
  Obj ti = info(schemaName() + "." + stored(child));
  Obj res = result(ti);
  EXPECT_EQ(res.call("tableinfo", 1).text(), stored(child));
  EXPECT_EQ(keys(res), stored(key) + ":2:1 " + stored(ref) + ":3:2");
}

TEST_P(TableInfoTest, PatternsThatMatchSeveralTablesOrOne) {
  exec("CREATE TABLE " + table_ + "x1 (a INT PRIMARY KEY)");
  exec("CREATE TABLE " + table_ + "x2 (b INT)");
  exec("CREATE TABLE " + table_ + "y1 (c INT, d INT PRIMARY KEY)");
  Outcome o;
  info(stored(table_ + "x%"), &o);
  ASSERT_TRUE(dbtest::failedWith(o, "ZIRUV:TABLEINFO:TABLEINFO"));
  EXPECT_EQ(o.error.innerDescription, "Ambiguous tablename supplied");

  // A pattern that finds one table describes that table and no other.
  Obj ti = info(stored(table_ + "y%"));
  Obj res = result(ti);
  EXPECT_EQ(res.call("tableinfo", 1).text(), stored(table_ + "y1"));
  EXPECT_EQ(keys(res), stored("c") + ":1:0 " + stored("d") + ":2:1");

  // "_" is a wildcard to the catalogue, so z_1 also matches zq1: the exact name is meant.
  exec("CREATE TABLE " + table_ + "z_1 (e INT)");
  exec("CREATE TABLE " + table_ + "zq1 (f INT, g INT)");
  Obj exact = info(stored(table_ + "z_1"));
  EXPECT_EQ(result(exact).call("tableinfo", 1).text(), stored(table_ + "z_1"));
  EXPECT_EQ(keys(result(exact)), stored("e") + ":1:0");

  // A run that fails leaves nothing of the one before.
  exact.put("tablename", stored(table_ + "x%"));
  EXPECT_FALSE(exact.tryCall("execute").ok());
  EXPECT_EQ(result(exact).get("countColumns").asInt(), 0);
  EXPECT_EQ(result(exact).call("tableinfo", 1).text(), "");
}

TEST_P(TableInfoTest, RepeatedRunsNamesAndMissingTables) {
  exec("CREATE TABLE " + table_ + " (a INT, b INT)");
  Obj ti = info(stored(table_));
  Obj res = result(ti);
  EXPECT_EQ(res.get("countColumns").asInt(), 2);
  EXPECT_EQ(ti.call("execute").asInt(), 1);
  EXPECT_EQ(res.get("countColumns").asInt(), 2) << "a second run replaces the first";

  // A table that does not exist: the run fails, without a message of its own.
  ti.put("tablename", stored(table_) + "_missing");
  Outcome o = ti.tryCall("execute");
  EXPECT_FALSE(o.ok());
  EXPECT_EQ(res.get("countColumns").asInt(), 0);

  auto* native = nativeOf<dbJDBCTableInfoC>(ti);
  ASSERT_NE(native, nullptr);
  ti.put("tablename", "one.two.three");
  EXPECT_EQ(native->schema(), "one");
  EXPECT_EQ(native->requestedName(), "two.three") << "split at the first full stop";
  ti.put("tablename", "\"a.b\".\"say \"\"hi\"\"\"");
  EXPECT_EQ(native->schema(), "a.b");
  EXPECT_EQ(native->requestedName(), "say \"hi\"");
  ti.put("tablename", "plain");
  EXPECT_EQ(native->schema(), "");

  // The result object keeps its table information alive and shows its current state.
  ti.put("tablename", stored(table_));
  ti.call("execute");
  ti.reset();
  EXPECT_EQ(res.get("countColumns").asInt(), 2);
  EXPECT_EQ(res.call("columnInfo", 1, 1).text(), stored("b"));
}

QZ_DATABASE_BACKENDS(TableInfoTest);

}  // namespace
