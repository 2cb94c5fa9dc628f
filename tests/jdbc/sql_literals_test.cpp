// Literal splitting: what the driver gets as statement text and as bound values.
#include "jdbc/sql_literals.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/jdbc/sql_reference_lexer.h"

namespace qz::jdbc {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

constexpr std::string_view kUnchanged = "<unchanged>";

struct Case {
  std::string_view sql;
  std::string_view statement;  // kUnchanged: nothing bound
  std::vector<std::string> literals;
};

TEST(SplitLiterals, BindsValueLiteralsAndLeavesTheRestInline) {
  const std::vector<Case> cases = {
      // Plain literals: doubled quotes, empty, unterminated, no literal at all.
      {"SELECT a, \"b\" FROM t", kUnchanged, {}},
      {"", kUnchanged, {}},
      {"SELECT * FROM T WHERE A='x''y' AND B=''",
       "SELECT * FROM T WHERE A=?  AND B=? ",
       {"x'y", ""}},
      {"VALUES ('''','a''''b''','c')", "VALUES (? ,? ,? )", {"'", "a''b'", "c"}},
      {"SELECT 'abc, def", "SELECT ? ", {"abc, def"}},
      {"X='", "X=? ", {""}},
      {"X='a''", "X=? ", {"a'"}},
      {"INSERT INTO \xCE\xA4 VALUES ('\xE6\xBC\xA2\xF0\x9F\x98\x80''')",
       "INSERT INTO \xCE\xA4 VALUES (? )",
       {"\xE6\xBC\xA2\xF0\x9F\x98\x80'"}},
      {"SELECT 'a\0b' FROM t WHERE c = 'd'"sv, "SELECT ?  FROM t WHERE c = ? ", {"a\0b"s, "d"}},
      // Quotes in identifiers and comments open nothing.
      {"SELECT \"Report's date\" FROM t WHERE name = 'x''; DROP TABLE t; --'",
       "SELECT \"Report's date\" FROM t WHERE name = ? ",
       {"x'; DROP TABLE t; --"}},
      {"SELECT \"x'y\", \"a\"\"'b\", `it's` FROM t WHERE c = 'v'",
       "SELECT \"x'y\", \"a\"\"'b\", `it's` FROM t WHERE c = ? ",
       {"v"}},
      {"SELECT 1 -- don't\nFROM t WHERE a='v'", "SELECT 1 -- don't\nFROM t WHERE a=? ", {"v"}},
      {"SELECT /* a /* it's */ still' */ 'v'", "SELECT /* a /* it's */ still' */ ? ", {"v"}},
      {"SELECT \"abc 'x'", kUnchanged, {}},
      {"SELECT 'x' /* 'y'", "SELECT ?  /* 'y'", {"x"}},
      // Literals separated by blanks or comments only are one.
      {"SELECT 'a'\n-- c\n'b', 'c'", "SELECT ? , ? ", {"ab", "c"}},
      // A literal glued to a word gets a blank before its marker.
      {"SELECT a FROM t WHERE c LIKE'a%'", "SELECT a FROM t WHERE c LIKE ? ", {"a%"}},
      // A literal after a type name, an alias keyword, a number or ")" stays inline; one after
      // an operator or a keyword a value follows binds; a cast binds.
      {"SELECT DATE '2024-01-01', TIME '10:00', TIMESTAMP '2024-01-01 10:00', "
       "INTERVAL '1 day', date'2024-01-02' FROM t WHERE b = 'v'",
       "SELECT DATE '2024-01-01', TIME '10:00', TIMESTAMP '2024-01-01 10:00', "
       "INTERVAL '1 day', date'2024-01-02' FROM t WHERE b = ? ",
       {"v"}},
      {"SELECT TIMESTAMP WITH TIME ZONE '2024-01-01 10:00+02', TIME(3) WITHOUT TIME ZONE '10:00', "
       "timestamptz '2024-01-01', x AT TIME ZONE 'UTC'",
       kUnchanged,
       {}},
      {"SELECT jsonb '{\"a\":1}' ->> 'a', uuid 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', "
       "pg_catalog.inet '10.0.0.1', numeric(10, 2) '1.5', \"MyType\" 'x', '2024-01-01'::date",
       "SELECT jsonb '{\"a\":1}' ->> ? , uuid 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', "
       "pg_catalog.inet '10.0.0.1', numeric(10, 2) '1.5', \"MyType\" 'x', ? ::date",
       {"a", "2024-01-01"}},
      {"SELECT COUNT(*) 'n', 1 'one', x AS 'y' FROM t", kUnchanged, {}},
      {"SELECT CASE WHEN a IS DISTINCT FROM 'p' THEN 'q' ELSE 'r' END FROM t "
       "WHERE b NOT LIKE 's' AND c IN ('t') OR d BETWEEN 'u' AND 'v' OR e SIMILAR TO 'w'",
       "SELECT CASE WHEN a IS DISTINCT FROM ?  THEN ?  ELSE ?  END FROM t "
       "WHERE b NOT LIKE ?  AND c IN (? ) OR d BETWEEN ?  AND ?  OR e SIMILAR TO ? ",
       {"p", "q", "r", "s", "t", "u", "v", "w"}},
      {"SELECT * FROM t WHERE d = {d '2024-01-01'} AND c LIKE 'a\\%' {escape '\\'}",
       "SELECT * FROM t WHERE d = {d '2024-01-01'} AND c LIKE ?  {escape '\\'}",
       {"a\\%"}},
      // Prefixed strings stay inline; E strings take backslash escapes.
      {"SELECT E'a\\tb', e'it\\'s', 'v'", "SELECT E'a\\tb', e'it\\'s', ? ", {"v"}},
      {"SELECT E'a'\n'\\'', 'v'", "SELECT E'a'\n'\\'', ? ", {"v"}},
      {"SELECT U&'d!0061t' UESCAPE '!', u&'x' FROM t WHERE c='v'",
       "SELECT U&'d!0061t' UESCAPE '!', u&'x' FROM t WHERE c=? ",
       {"v"}},
      {"INSERT INTO t VALUES (X'00ff', b'0101', N'caf\xC3\xA9', 'v')",
       "INSERT INTO t VALUES (X'00ff', b'0101', N'caf\xC3\xA9', ? )",
       {"v"}},
      // A prefix letter at the end of a longer word is none: backslash is a plain byte there.
      {"SELECT 1 FROM t WHERE type'it\\' OR c = 'v'",
       "SELECT 1 FROM t WHERE type'it\\' OR c = ? ",
       {"v"}},
      // Dollar quotes stay inline; $1 and a$$b are no dollar quotes.
      {"SELECT $$it's$$, $tag$ $$ ' $tag$, 'v'", "SELECT $$it's$$, $tag$ $$ ' $tag$, ? ", {"v"}},
      {"SELECT $1 || 'v' || a$$b, $2", "SELECT $1 || ?  || a$$b, $2", {"v"}},
      {"SELECT $x$ 'y'", kUnchanged, {}},
      // A ? of the caller's own in code binds nothing; in a literal or comment it is no marker.
      {"SELECT '{\"a\":1}'::jsonb ? 'a'", kUnchanged, {}},
      {"SELECT j ?| array['a'], j ?& array['b'] FROM t", kUnchanged, {}},
      {"SELECT 'why?' /* ? */ -- ?\n", "SELECT ?  /* ? */ -- ?\n", {"why?"}},
      // Statements without parameters stay inline, from their first keyword on.
      {"CREATE TABLE t (a VARCHAR(10) DEFAULT 'x')", kUnchanged, {}},
      {"COMMENT ON TABLE t IS 'it''s'", kUnchanged, {}},
      {"\n  -- setup\n/* x */ (set search_path = 'a')", kUnchanged, {}},
      {"DO $$BEGIN RAISE NOTICE 'x'; END$$", kUnchanged, {}},
      {"EXPLAIN SELECT * FROM t WHERE a = 'x'", kUnchanged, {}},
      {"INSERT INTO t VALUES ('a'); CREATE TABLE u (c TEXT DEFAULT 'b'); SELECT 'c'",
       "INSERT INTO t VALUES (? ); CREATE TABLE u (c TEXT DEFAULT 'b'); SELECT 'c'",
       {"a"}},
      // Queries and data changes bind, whatever their first keyword.
      {"((SELECT 'a')) UNION SELECT 'b'", "((SELECT ? )) UNION SELECT ? ", {"a", "b"}},
      {"WITH x AS (SELECT 'a') DELETE FROM t USING x",
       "WITH x AS (SELECT ? ) DELETE FROM t USING x",
       {"a"}},
      {"call p('v')", "call p(? )", {"v"}},
      {"UPDATE t SET a = 'v'", "UPDATE t SET a = ? ", {"v"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sql));
    SplitSql split = splitLiterals(c.sql);
    EXPECT_EQ(split.statement, c.statement == kUnchanged ? c.sql : c.statement);
    EXPECT_EQ(split.literals, c.literals);
    EXPECT_EQ(split.bound(), !c.literals.empty());
    EXPECT_EQ(testing::splitFault(c.sql, split), "");
  }
}

TEST(HidePasswordLiterals, HidesTheValueAfterPasswordOrIdentifiedBy) {
  const std::vector<std::pair<std::string_view, std::string_view>> cases = {
      {"CREATE USER u PASSWORD 'it''s' ADMIN", "CREATE USER u PASSWORD '***' ADMIN"},
      {"alter role r with password\n'x' valid until 'y'",
       "alter role r with password\n'***' valid until 'y'"},
      {"SET PASSWORD = \"x\"; SELECT 'password', a.password 'b'",
       "SET PASSWORD = \"***\"; SELECT 'password', a.password '***'"},
      {"CREATE USER u IDENTIFIED  BY 'x'", "CREATE USER u IDENTIFIED  BY '***'"},
      {"ORDER BY 'x', mypassword 'y', PASSWORD 'unterminated",
       "ORDER BY 'x', mypassword 'y', PASSWORD '***"},
      {"unexpected token: 'PASSWORD' 'x'", "unexpected token: 'PASSWORD' 'x'"},
  };
  for (const auto& [text, hidden] : cases) EXPECT_EQ(hidePasswordLiterals(text), hidden) << text;
}

TEST(SplitLiterals, OffsetsMapBackToTheOriginalText) {
  const std::string sql = "SELECT * FROM T WHERE A='x''y' AND B='' OR c";
  SplitSql split = splitLiterals(sql);
  ASSERT_EQ(split.statement, "SELECT * FROM T WHERE A=?  AND B=?  OR c");
  EXPECT_EQ(split.originalOffset(0), 0u);
  EXPECT_EQ(split.originalOffset(24), sql.find('\''));
  EXPECT_EQ(split.originalOffset(25), sql.find('\''));
  EXPECT_EQ(split.originalOffset(split.statement.find("AND")), sql.find("AND"));
  EXPECT_EQ(split.originalOffset(split.statement.find('c')), sql.rfind('c'));
  EXPECT_EQ(split.originalOffset(split.statement.size()), sql.size());
  EXPECT_EQ(split.originalOffset(split.statement.size() + 7), sql.size());

  SplitSql none = splitLiterals("SELECT 1");
  EXPECT_EQ(none.originalOffset(3), 3u);
  EXPECT_EQ(none.originalOffset(99), 8u);
}

}  // namespace
}  // namespace qz::jdbc
