// qzsql's parts that need no database: cutting input into statements, preparing statement
// texts for the engine's query rule, the output formats and the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <utility>

#include "tests/support/scratch.h"
#include "tools/qzsql/data_sources.h"
#include "tools/qzsql/format.h"
#include "tools/qzsql/interactive.h"
#include "tools/qzsql/options.h"
#include "tools/qzsql/runner.h"
#include "tools/qzsql/statements.h"

namespace qzsql {
namespace {

std::vector<Piece> split(const std::vector<std::string>& lines, bool finish = true) {
  StatementSplitter s;
  std::vector<Piece> out;
  for (const std::string& l : lines) {
    s.addLine(l);
    while (std::optional<Piece> p = s.next()) out.push_back(*p);
  }
  if (finish) {
    if (std::optional<Piece> p = s.finish()) out.push_back(*p);
  }
  return out;
}

TEST(Splitter, SemicolonsEndStatementsOnlyOutsideQuotesAndComments) {
  std::vector<Piece> p = split({
      "SELECT 'a;b' AS \"x;y\"; SELECT 2 -- c;d",
      ";INSERT INTO t VALUES ('it''s;', $$ ; $$, $f$ $$ ; $f$) /* x; /* nested; */ ; */;",
  });
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].text, "SELECT 'a;b' AS \"x;y\"");
  EXPECT_EQ(stripComments(p[1].text), "SELECT 2");
  EXPECT_EQ(stripComments(p[2].text), "INSERT INTO t VALUES ('it''s;', $$ ; $$, $f$ $$ ; $f$)");
}

TEST(Splitter, StatementsSpanLinesAndKeepTheirFirstLine) {
  std::vector<Piece> p = split({"", "  SELECT 1,", "  'two", "lines';", "SELECT 3"});
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].text, "SELECT 1,\n  'two\nlines'");
  EXPECT_EQ(p[0].line, 2);
  EXPECT_EQ(p[1].text, "SELECT 3\n");
  EXPECT_EQ(p[1].line, 5);
}

TEST(Splitter, MetaCommandsAreWholeLinesOutsideQuotes) {
  std::vector<Piece> p = split({"\\d customers", "SELECT '", "\\not a command", "';  \\x"}, false);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].kind, Piece::Kind::kMeta);
  EXPECT_EQ(p[0].text, "\\d customers");
  EXPECT_EQ(p[1].kind, Piece::Kind::kSql);
  EXPECT_EQ(p[1].text, "SELECT '\n\\not a command\n'");
  // What follows the ";" on that line is not at a line start: it is (the start of) SQL.
}

TEST(Splitter, StateNamesWhatTheInputIsInside) {
  StatementSplitter s;
  EXPECT_EQ(s.state(), '=');
  s.addLine("SELECT");
  EXPECT_EQ(s.state(), '-');
  s.addLine("'open");
  EXPECT_EQ(s.state(), '\'');
  s.addLine("' \"id");
  EXPECT_EQ(s.state(), '"');
  s.addLine("\" /* c");
  EXPECT_EQ(s.state(), '*');
  s.addLine("*/ $body$");
  EXPECT_EQ(s.state(), '$');
  s.discard();
  EXPECT_EQ(s.state(), '=');
  EXPECT_FALSE(s.pending());
  EXPECT_FALSE(s.finish().has_value());
}

TEST(Splitter, OnlyCommentsAndBlanksMakeNoStatement) {
  EXPECT_TRUE(split({"-- nothing", "/* here */ ;", "   "}).empty());
  EXPECT_EQ(stripComments("-- a\n/* b */ \n"), "");
}

TEST(Prepare, CommentsGoButQuotedTextStays) {
  EXPECT_EQ(stripComments("SELECT a/*x*/b, '--not', \"/*id*/\" -- it's\nFROM t"),
            "SELECT a b, '--not', \"/*id*/\" \nFROM t");
}

TEST(Prepare, RowReturningStatements) {
  for (const char* q :
       {"select 1", "((SELECT 1))", "VALUES (1)", "WITH x AS (SELECT 1) SELECT * FROM x",
        "INSERT INTO t VALUES (1) RETURNING id"}) {
    EXPECT_TRUE(returnsRows(q)) << q;
  }
  for (const char* q :
       {"INSERT INTO t SELECT * FROM u", "WITH x AS (SELECT 1) INSERT INTO t SELECT * FROM x",
        "UPDATE t SET a = 'RETURNING'", "CREATE TABLE selected (a INT)"}) {
    EXPECT_FALSE(returnsRows(q)) << q;
  }
}

// The engine runs a text as a query exactly when "SELECT" starts within its first six
// characters, and its Count reports the update count only when SELECT is not within seven.
TEST(Prepare, TextsSayToTheEngineWhatTheyAre) {
  auto selectWithin = [](const std::string& t, size_t limit) {
    std::string u = t;
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u.find("SELECT") <= limit;
  };
  auto engineQuery = [&](const std::string& t) { return selectWithin(t, 5); };
  auto countSeesQuery = [&](const std::string& t) { return selectWithin(t, 6); };
  for (const char* q : {"select 1", "(SELECT 1)", "WITH x AS (SELECT 1) SELECT * FROM x",
                        "VALUES (1)", "EXPLAIN PLAN FOR SELECT 1"}) {
    EXPECT_TRUE(engineQuery(prepareSql(q, true))) << q;
  }
  EXPECT_EQ(prepareSql("SELECT 1", true), "SELECT 1");
  for (const char* u : {"CALL selectx()", "GRANT SELECT ON t TO u", "INSERT INTO t VALUES (1)",
                        "DROP TABLE selected", "SET x = 1"}) {
    std::string text = prepareSql(u, false);
    EXPECT_FALSE(countSeesQuery(text)) << u;
    EXPECT_EQ(stripComments(text), u);
  }
}

TEST(Prepare, CommandTags) {
  EXPECT_EQ(firstWord("insert into t values (1)"), "INSERT");
  EXPECT_EQ(firstWord("create table t (a int)"), "CREATE TABLE");
  EXPECT_EQ(firstWord("CREATE OR REPLACE VIEW v AS SELECT 1"), "CREATE");
  EXPECT_EQ(firstWord("'x'"), "");
}

std::string render(const FormatOptions& o, const std::vector<std::string>& names,
                   const std::vector<Row>& rows) {
  std::ostringstream out;
  std::unique_ptr<ResultWriter> w = makeWriter(o, out);
  w->begin(names);
  for (const Row& r : rows) w->row(r);
  w->end(static_cast<int64_t>(rows.size()));
  return out.str();
}

const std::vector<std::string> kNames = {"id", "name", "note"};
const std::vector<Row> kRows = {
    {"1", "plain", std::nullopt},
    {"2", "O'Brien \"q\"", "a, b"},
    {"3", "two\nlines", "日本"},
};

TEST(Aligned, ColumnsLineUpAcrossWideCharactersAndLineBreaks) {
  FormatOptions o;
  o.nullText = "<null>";
  EXPECT_EQ(render(o, kNames, kRows),
            " id | name        | note\n"
            "----+-------------+--------\n"
            " 1  | plain       | <null>\n"
            " 2  | O'Brien \"q\" | a, b\n"
            " 3  | two        +| 日本\n"
            "    | lines       |\n"
            "(3 rows)\n");
  EXPECT_EQ(render(o, {"n"}, {}), " n\n---\n(0 rows)\n");
  EXPECT_EQ(render(o, {"n"}, {{"x"}}), " n\n---\n x\n(1 row)\n");
}

TEST(Aligned, ExpandedShowsOneLinePerField) {
  FormatOptions o;
  o.expanded = Expanded::kOn;
  EXPECT_EQ(render(o, kNames, kRows),
            "-[ RECORD 1 ]-----\n"
            "id   | 1\n"
            "name | plain\n"
            "note |\n"
            "-[ RECORD 2 ]-----\n"
            "id   | 2\n"
            "name | O'Brien \"q\"\n"
            "note | a, b\n"
            "-[ RECORD 3 ]-----\n"
            "id   | 3\n"
            "name | two+\n"
            "     | lines\n"
            "note | 日本\n"
            "(3 rows)\n");
  o.expanded = Expanded::kAuto;
  o.terminalWidth = 30;
  EXPECT_EQ(render(o, {"a"}, {{"short"}}), " a\n-------\n short\n(1 row)\n");
  EXPECT_EQ(render(o, {"a"}, {{std::string(40, 'x')}}).substr(0, 13), "-[ RECORD 1 ]");
}

TEST(Width, CountsColumnsNotBytes) {
  EXPECT_EQ(displayWidth("abc"), 3);
  EXPECT_EQ(displayWidth("café"), 4);
  EXPECT_EQ(displayWidth("e\u0301"), 1);  // a combining accent takes no column
  EXPECT_EQ(displayWidth("日本語"), 6);
  EXPECT_EQ(displayWidth("\xff\xfe"), 2);  // not UTF-8: one per byte
  EXPECT_EQ(displayWidth("\xe6\x97"), 2);  // a character cut short
}

TEST(MachineFormats, QuoteAndEscapeAsTheirRulesSay) {
  const std::pair<const char*, const char*> csv[] = {{"plain text", "plain text"},
                                                     {"a,b", "\"a,b\""},
                                                     {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                                     {"two\nlines", "\"two\nlines\""},
                                                     {"cr\r", "\"cr\r\""}};
  for (const auto& [text, field] : csv) EXPECT_EQ(csvField(text), field) << text;
  EXPECT_EQ(tsvField("a\tb\nc\\d\r"), "a\\tb\\nc\\\\d\\r");
  EXPECT_EQ(jsonString("q\"b\\n\n\x01 é"), "\"q\\\"b\\\\n\\n\\u0001 é\"");
  // Output stays UTF-8 whatever the database sent: a stray byte, a cut sequence, an overlong.
  EXPECT_EQ(jsonString("a\xff\xc3 \xc0\xaf"), "\"a\uFFFD\uFFFD \uFFFD\uFFFD\"");

  FormatOptions o;
  o.format = Format::kCsv;
  EXPECT_EQ(render(o, kNames, kRows),
            "id,name,note\r\n1,plain,\r\n2,\"O'Brien \"\"q\"\"\",\"a, b\"\r\n"
            "3,\"two\nlines\",日本\r\n");
  o.format = Format::kTsv;
  EXPECT_EQ(render(o, kNames, kRows),
            "id\tname\tnote\n1\tplain\t\\N\n2\tO'Brien \"q\"\ta, b\n3\ttwo\\nlines\t日本\n");
  o.format = Format::kJson;
  EXPECT_EQ(render(o, kNames, kRows),
            "{\"id\":\"1\",\"name\":\"plain\",\"note\":null}\n"
            "{\"id\":\"2\",\"name\":\"O'Brien \\\"q\\\"\",\"note\":\"a, b\"}\n"
            "{\"id\":\"3\",\"name\":\"two\\nlines\",\"note\":\"日本\"}\n");
}

TEST(MachineFormats, JsonNumbersAndBooleansOnlyWhereTheirTextIsOne) {
  for (const char* n : {"0", "-12", "1234567890123456789012345678.0123456789", "1.5E0", "2e-3"}) {
    EXPECT_EQ(jsonValue(n, ColumnKind::kNumber), n);
  }
  // Texts a driver may give a number column that JSON has no number for.
  for (const char* text : {"NaN", "Infinity", "007", "1.", ".5", "+1", "-", ""}) {
    EXPECT_EQ(jsonValue(text, ColumnKind::kNumber), jsonString(text)) << text;
  }
  EXPECT_EQ(jsonValue("t", ColumnKind::kBoolean), "true");
  EXPECT_EQ(jsonValue("FALSE", ColumnKind::kBoolean), "false");
  EXPECT_EQ(jsonValue("0101", ColumnKind::kBoolean), "\"0101\"");
  EXPECT_EQ(jsonValue("1", ColumnKind::kText), "\"1\"");
  EXPECT_EQ(columnKind(3), ColumnKind::kNumber);    // DECIMAL
  EXPECT_EQ(columnKind(-7), ColumnKind::kBoolean);  // BIT, PostgreSQL's boolean
  EXPECT_EQ(columnKind(12), ColumnKind::kText);
}

TEST(Errors, MessagesLoseTheirOwnSeverityWordOnly) {
  EXPECT_EQ(withoutSeverity("ERROR: relation \"x\" does not exist"),
            "relation \"x\" does not exist");
  EXPECT_EQ(withoutSeverity("FATAL:  password authentication failed"),
            "password authentication failed");
  EXPECT_EQ(withoutSeverity("error: lower case too"), "lower case too");
  EXPECT_EQ(withoutSeverity("ERRORS: not a severity"), "ERRORS: not a severity");
  EXPECT_EQ(withoutSeverity("object not found: ERROR: x"), "object not found: ERROR: x");
  EXPECT_EQ(withoutSeverity("ERROR"), "ERROR");
}

TEST(Errors, NulBytesAreFoundByLineAndByte) {
  EXPECT_FALSE(findNul("SELECT 1", 4));
  using std::string_literals::operator""s;
  EXPECT_EQ(findNul("DELETE FROM t\0 WHERE id = 2"s, 3), std::make_pair(3, size_t{14}));
  EXPECT_EQ(findNul("DELETE FROM t\nWHERE\0 id = 2"s, 3), std::make_pair(4, size_t{6}));
  EXPECT_EQ(findNul("\0"s, 1), std::make_pair(1, size_t{1}));
}

std::optional<Options> parse(std::vector<std::string> args, std::string* error) {
  std::vector<char*> argv = {const_cast<char*>("qzsql")};
  for (std::string& a : args) argv.push_back(a.data());
  return parseOptions(static_cast<int>(argv.size()), argv.data(), error);
}

TEST(CommandLine, OptionsInOrderAndMistakesNamed) {
  std::string error;
  std::optional<Options> o = parse({"-c", "SELECT 1", "demo", "-f", "a.sql", "-c", "\\d",
                                    "--format=csv", "-o", "out", "--continue", "-U", "ann", "-v"},
                                   &error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->dataSource, "demo");
  ASSERT_EQ(o->sources.size(), 3u);
  EXPECT_EQ(o->sources[1].kind, Source::Kind::kFile);
  EXPECT_EQ(o->sources[2].text, "\\d");
  EXPECT_EQ(o->format, Format::kCsv);
  EXPECT_EQ(o->output, "out");
  EXPECT_TRUE(o->continueOnError);
  EXPECT_EQ(o->user, "ann");
  EXPECT_TRUE(o->verbose);

  EXPECT_FALSE(parse({"demo", "--format", "xml"}, &error));
  EXPECT_NE(error.find("xml"), std::string::npos);
  EXPECT_FALSE(parse({"demo", "-c"}, &error));
  EXPECT_NE(error.find("-c needs a value"), std::string::npos);
  EXPECT_FALSE(parse({"-c", "x"}, &error));
  EXPECT_NE(error.find("no data source"), std::string::npos);
  EXPECT_FALSE(parse({"a", "b"}, &error));
  EXPECT_FALSE(parse({"demo", "--bogus"}, &error));
}

TEST(CommandLine, HelpFitsOneScreen) {
  std::string usage = kUsage;
  EXPECT_LE(std::count(usage.begin(), usage.end(), '\n'), 24);
  std::istringstream lines(usage);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
  std::string error;
  EXPECT_TRUE(parse({"--list"}, &error)) << error;
  EXPECT_TRUE(parse({"--version"}, &error)) << error;
}

TEST(DataSources, BlocksAsTheEngineSeesThem) {
  std::vector<DataSource> d = parseDataSources(
      "; comment\n[sales]\nURL = jdbc:postgresql://db/sales \n#-DriverClass = old.Driver\n"
      "DriverClass=org.postgresql.Driver\n[demo]\nURL = jdbc:hsqldb:mem:x\n"
      "[SALES]\nServerDB = s\n",
      "/etc/jdbc.cfg");
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0].name, "sales");
  EXPECT_EQ(d[0].url, "jdbc:postgresql://db/sales");
  EXPECT_EQ(d[0].driverClass, "org.postgresql.Driver");
  EXPECT_EQ(d[0].file, "/etc/jdbc.cfg");
  EXPECT_EQ(d[1].driverClass, "");

  DataSourceFiles files{"/u/jdbc.cfg", "/s/jdbc.cfg", std::nullopt, {}};
  EXPECT_NE(driverHint(files, "sales").find("no jdbc.cfg could be read"), std::string::npos);
  files.used = "/u/jdbc.cfg";
  files.sources = d;
  EXPECT_NE(driverHint(files, "SALES").find("org.postgresql.Driver could not be loaded"),
            std::string::npos);
  EXPECT_NE(driverHint(files, "demo").find("no block [demo] with a DriverClass"),
            std::string::npos);
}

TEST(CommandLine, HistoryFileFollowsHomeAndTheDataSource) {
  {
    qztest::EnvVar home("HOME", "/tmp/qz home");
    EXPECT_EQ(historyPath("demo"), "/tmp/qz home/.qzsql_history_demo");
    EXPECT_EQ(historyPath("a/b c"), "/tmp/qz home/.qzsql_history_a_b_c");
  }
  qztest::EnvVar noHome("HOME", std::nullopt);
  EXPECT_EQ(historyPath("demo"), "");
}

}  // namespace
}  // namespace qzsql
