// SQL carried as the user wrote it and values read as the database holds them: literals the
// driver must see inline, the verbatim option, '' apart from NULL, values longer than their
// buffers, SQL states of errors, and a first row that cannot be read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/database/rs_fixture.h"

namespace {

using dbtest::RecordSetFixture;
using dbtest::Rows;
using qztest::Obj;
using qztest::ScriptError;

using ExactValuesTest = RecordSetFixture;

// Tests that every statement stores exactly what a plain JDBC Statement stores, whatever
// quotes, comments, typed literals or prefixes it holds, and that quoted data never runs.
TEST_P(ExactValuesTest, StatementsStoreWhatPlainJdbcStores) {
  const std::string mine = table_, theirs = table_ + "_p";
  for (const std::string& t : {mine, theirs}) {
    exec("CREATE TABLE " + t + " (id INT, txt VARCHAR(200) DEFAULT 'it''s', d DATE)");
  }
  std::vector<std::string> inserts = {
      "INSERT INTO T VALUES (1, 'x''y', DATE '2024-01-02')",
      "INSERT INTO T VALUES (2, '', NULL) -- a comment's quote",
      "INSERT INTO T /* it's */ VALUES (3, 'a;b''; DROP TABLE T; --', NULL)",
      "INSERT INTO T (id, d) VALUES (4, DATE '1999-12-31')",
      "INSERT INTO T SELECT 5, txt AS \"it's\", d FROM T WHERE id = 1",
      "INSERT INTO T VALUES (9, '? ''?''', NULL) -- not a parameter",
  };
  if (postgres()) {
    inserts.push_back("INSERT INTO T VALUES (6, E'tab\\there', NULL)");
    inserts.push_back("INSERT INTO T VALUES (7, $$dollar's$$ || $q$x$q$, NULL)");
    inserts.push_back("INSERT INTO T SELECT 8, CASE WHEN '{\"a\":1}'::jsonb ? 'a' THEN 'y' END");
  }
  auto on = [](std::string sql, const std::string& table) {
    for (std::size_t at; (at = sql.find(" T ")) != std::string::npos;) {
      sql.replace(at + 1, 1, table);
    }
    return sql;
  };
  for (const std::string& sql : inserts) {
    SCOPED_TRACE(sql);
    exec(on(sql, mine));
    probeUpdate(on(sql, theirs));
  }
  const std::string order = " ORDER BY id";
  EXPECT_EQ(probe("SELECT * FROM " + mine + order), probe("SELECT * FROM " + theirs + order));
  EXPECT_EQ(probe("SELECT txt FROM " + mine + " WHERE id = 3"), (Rows{{"a;b'; DROP TABLE T; --"}}));
}

// Tests the statements that take no parameters, whose literals must reach the driver inline.
TEST_P(ExactValuesTest, StatementsWithoutParametersKeepTheirLiterals) {
  exec("CREATE TABLE " + table_ + " (id INT, \"x'y\" VARCHAR(10) DEFAULT 'dflt')");
  exec("COMMENT ON TABLE " + table_ + " IS 'the ''table'''");
  exec("INSERT INTO " + table_ + " (id) VALUES (1)");
  EXPECT_EQ(probe("SELECT \"x'y\" FROM " + table_), (Rows{{"dflt"}}));
  if (!postgres()) return;
  exec("CREATE FUNCTION " + table_ + "_f() RETURNS text AS $$ SELECT 'it''s' $$ LANGUAGE sql");
  EXPECT_EQ(probe("SELECT " + table_ + "_f()"), (Rows{{"it's"}}));
}

// Tests that a literal after a type name reaches the server inline: "jsonb ?" is a syntax error.
TEST_P(ExactValuesTest, LiteralsAfterATypeNameStayInline) {
  if (!postgres()) GTEST_SKIP() << "typed literals of other types than the date-time ones";
  Obj rs = open(
      "SELECT jsonb '{\"a\":[1,2]}' ->> 'a' AS j, uuid 'A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11' AS u,"
      " inet '10.0.0.1/8' AS i, numeric(10, 2) '1.505' AS n, \"char\" 'xy' AS c,"
      " pg_catalog.text 'it''s' || 'a' AS t, TIMESTAMP '2024-01-02 03:04' AT TIME ZONE 'UTC' AS z");
  Obj f = fieldsOf(rs);
  std::string row;
  for (int c = 0; c < 7; ++c) row += valueText(f.call("FullText", c)) + "|";
  EXPECT_EQ(row,
            "[1, 2]|a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11|10.0.0.1/8|1.51|x|it'sa|"
            "2024-01-02 03:04:00+00|");
}

TEST_P(ExactValuesTest, VerbatimSendsTheTextAsWritten) {
  EXPECT_EQ(db_.call("option", "VERBATIM", 1).asInt(), 1);
  // PostgreSQL's '?' operator reaches the server as the operator it is.
  Obj rs = open(postgres() ? "SELECT CASE WHEN '{\"a\":1}'::jsonb ? 'a' THEN 'it''s' END AS v"
                           : "SELECT 'it''s' AS v FROM (VALUES (0))");
  EXPECT_EQ(fieldsOf(rs).call("Field", "v", 3).text(), "it's");
}

// Tests that '' and NULL stay apart under EMPTYISNULL 0 in every read, and read alike without.
TEST_P(ExactValuesTest, EmptyTextApartFromNull) {
  exec("CREATE TABLE " + table_ + " (id INT, txt VARCHAR(10))");
  exec("INSERT INTO " + table_ + " VALUES (1, '')");
  exec("INSERT INTO " + table_ + " VALUES (2, NULL)");
  const std::string query = "SELECT txt FROM " + table_ + " ORDER BY id";

  Obj f = fieldsOf(open(query));
  EXPECT_TRUE(f.call("Field", 0, 3).isUndef()) << "the default reads '' as NULL";
  EXPECT_EQ(f.call("Field", 0, 4).asInt(), -1);

  Obj rs = db_.call("createObject", "RECORDSET").object();
  EXPECT_EQ(rs.call("option", "EMPTYISNULL", 0).asInt(), 1);
  Obj e = rs.call("transaction", "SQLEXEC").object();
  e.call("statement", query);
  e.call("execute");
  f = fieldsOf(rs);
  EXPECT_EQ(f.call("Field", 0, 4).asInt(), 0);
  EXPECT_TRUE(f.call("Field", 0, 3).isText());
  EXPECT_EQ(f.call("Field", 0, 3).text(), "");
  EXPECT_TRUE(f.call("FullText", 0).isText());
  rs.call("fetch", 3, 0);
  EXPECT_EQ(f.call("Field", 0, 4).asInt(), -1);
  EXPECT_TRUE(f.call("Field", 0, 3).isUndef());
  EXPECT_TRUE(f.call("FullText", 0).isUndef());

  // The connection's option is the default of the record sets made afterwards.
  db_.call("option", "EMPTYISNULL", 0);
  EXPECT_TRUE(fieldsOf(open(query)).call("Field", 0, 3).isText());
}

// Tests that a value longer than its buffer says so and can be read whole, text and binary.
TEST_P(ExactValuesTest, LongValuesAreMarkedCutAndReadWhole) {
  const std::string blob = postgres() ? "BYTEA" : "VARBINARY(2000000)";
  const std::string clob = postgres() ? "TEXT" : "CLOB(4M)";
  exec("CREATE TABLE " + table_ + " (v VARCHAR(20000), c " + clob + ", b " + blob + ")");
  std::string text(11990, 'a');
  text += "\xF0\x9F\x98\x80 end";  // a 4-byte character near the end
  const std::string big(1 << 20, 'z');
  exec("INSERT INTO " + table_ + " (v, c) VALUES ('" + text + "', '" + big + "')");
  probeUpdate("UPDATE " + table_ + " SET b = " +
              (postgres() ? "decode(repeat('00ff', 524288), 'hex')"
                          : "CAST(REPEAT('00ff', 524288) AS VARBINARY(2000000))"));
  Obj f = fieldsOf(open("SELECT v, c, b FROM " + table_));
  EXPECT_EQ(f.call("Field", "v", 3).text().size(), 8192u);
  EXPECT_EQ(f.call("Cut", "v").asInt(), 1);
  EXPECT_EQ(f.call("FullText", "v").text(), text);
  Rows expected = probe("SELECT c, b FROM " + table_);
  ASSERT_EQ(expected.size(), 1u);
  EXPECT_EQ(f.call("FullText", "c").text(), big);
  EXPECT_EQ(f.call("FullText", "b").text(), expected[0][1]) << "binary as the driver's text";
  EXPECT_GT(expected[0][1].size(), 1u << 20);
}

// Tests that numbers beyond a double's precision read exactly as text.
TEST_P(ExactValuesTest, NumbersAtTheirLimitsReadExactlyAsText) {
  exec("CREATE TABLE " + table_ + " (id INT, n NUMERIC(38,10), b BIGINT)");
  exec("INSERT INTO " + table_ +
       " VALUES (1, 9999999999999999999999999999.9999999999, 9223372036854775807)");
  exec("INSERT INTO " + table_ +
       " VALUES (2, -9999999999999999999999999999.9999999999, -9223372036854775808)");
  const std::string query = "SELECT n, b FROM " + table_ + " ORDER BY id";
  Rows expected = probe(query);
  Obj rs = open(query);
  Obj f = fieldsOf(rs);
  for (const auto& row : expected) {
    EXPECT_EQ(f.call("FullText", "n").text(), row[0]);
    EXPECT_EQ(f.call("FullText", "b").text(), row[1]);
    rs.call("fetch", 3, 0);
  }
}

TEST_P(ExactValuesTest, ErrorsCarryTheSqlState) {
  Obj e = db_.call("createObject", "SQLEXEC").object();
  e.call("statement", "SELECT * FROM no_such_table_x WHERE a = 'it''s'");
  qztest::Outcome o = e.tryCall("execute");
  ASSERT_FALSE(o.ok());
  EXPECT_EQ(o.error.innerSqlState, postgres() ? "42P01" : "42501");
  EXPECT_EQ(o.error.innerDescription.find("= ?"), std::string::npos)
      << "the message shows what the caller wrote: " << o.error.innerDescription;
  if (!postgres()) return;
  // The server's position counts in the text it was handed; the caller sees it in theirs.
  e.call("statement", "SELECT 'it''s' AS a FROM no_such_table_x");
  o = e.tryCall("execute");
  EXPECT_NE(o.error.innerDescription.find("Position: 26"), std::string::npos)
      << o.error.innerDescription;
}

// Tests that a result whose first row cannot be read fails, rather than passing for empty.
TEST_P(ExactValuesTest, FirstRowThatCannotBeReadFails) {
  exec("CREATE TABLE " + table_ + " (id INT)");
  exec("INSERT INTO " + table_ + " VALUES (1)");
  Obj rs = open("SELECT id FROM " + table_);
  // A new option closes the statement, and with it the result not yet read; PostgreSQL's
  // result then refuses to move (HSQLDB's answers that there is no row).
  if (!postgres()) return;
  setOption(rs, 2, 1);
  EXPECT_THROW(rs.call("collection", 1), ScriptError);
  EXPECT_THROW(rs.get("Eof"), ScriptError);
  EXPECT_THROW(rs.call("fetch", 3, 0), ScriptError);
}

QZ_DATABASE_BACKENDS(ExactValuesTest);

}  // namespace
