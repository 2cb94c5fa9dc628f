// The session layer against real drivers in a real VM: HSQLDB in memory and on file, and a
// private PostgreSQL server when this machine can run one.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "host/host.h"
#include "jbridge/jni_core.h"
#include "jbridge/proxy/java_sql.h"
#include "jdbc/jsql_api.h"
#include "object/call_exception.h"
#include "tests/jdbc/session_env.h"
#ifdef QZ_JDBC_WITH_PG
#include "tests/support/pg_server.h"
#endif

namespace qz::jdbc {
namespace {

namespace sql = jbridge::proxy::java::sql;
namespace lang = jbridge::proxy::java::lang;
using qztest::jdbc::configBlock;
using qztest::jdbc::removeJdbcConfig;
using qztest::jdbc::setupFolder;
using qztest::jdbc::userFolder;
using qztest::jdbc::writeJdbcConfig;

constexpr char kHsqldbDriver[] = "org.hsqldb.jdbc.JDBCDriver";
// "Ελληνικά 漢字 😀": two-, three- and four-byte characters.
const std::string kNonLatin =
    "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC \xE6\xBC\xA2\xE5\xAD\x97 "
    "\xF0\x9F\x98\x80";

struct Backend {
  const char* name;
  const char* driverClass;
  const char* missingTableState;  // SQL state of a query on a table that does not exist
  bool upperCase;                 // unquoted identifiers fold to upper case
};
const Backend kHsqldb{"hsqldb", kHsqldbDriver, "42501", true};
const Backend kPostgres{"postgresql", "org.postgresql.Driver", "42P01", false};

struct Cell {
  std::string text;
  int32_t length;
  bool operator==(const Cell&) const = default;
};
using Row = std::vector<Cell>;
using Rows = std::vector<Row>;

void PrintTo(const Cell& c, std::ostream* os) {
  *os << "{\"" << c.text << "\", " << c.length << "}";
}

// A connected session on a database of the test's own.
class JvmSessionTest : public ::testing::TestWithParam<const Backend*> {
 protected:
  void SetUp() override {
    removeJdbcConfig(userFolder());
    removeJdbcConfig(setupFolder());
    std::string db = databaseName();
    if (backend().driverClass == kPostgres.driverClass) {
#ifdef QZ_JDBC_WITH_PG
      QZ_SKIP_WITHOUT_PG();
      qztest::PgServer& server = qztest::pgServer();
      server.createDatabase(db);
      url_ = server.jdbcUrl(db);
      user_ = server.user();
      password_ = server.password();
#else
      GTEST_SKIP() << "built without the PostgreSQL test server";
#endif
    } else {
      url_ = "jdbc:hsqldb:mem:" + db;
      user_ = "SA";
      password_ = "";
    }
    writeJdbcConfig(userFolder(), configBlock("db", url_, backend().driverClass, "srv-" + db));
    connect(api_, connection_);
    ASSERT_FALSE(connection_.isNull());
    metaData_ = connection_.getMetaData();
  }

  void TearDown() override {
    api_.JSQLCloseStatement(statement_);
    api_.JSQLDisconnect(connection_);
  }

  const Backend& backend() const {
    return *GetParam();
  }
  // Identifiers as the catalogue holds them.
  std::string folded(std::string name) const {
    for (char& c : name) c = backend().upperCase ? std::toupper(c) : std::tolower(c);
    return name;
  }

  static std::string databaseName() {
    static int counter = 0;
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::string clean;
    for (char c : name)
      clean += std::isalnum(static_cast<unsigned char>(c)) ? std::tolower(c) : '_';
    return clean.substr(0, 40) + "_" + std::to_string(++counter);
  }

  // The four set-up steps of a connect, in order.
  void connect(JSQLApi& api, sql::Connection& connection, const char* dataSource = "db") {
    ASSERT_EQ(api.CreateOrGetJVM(), 1) << api.lastMessage();
    ASSERT_EQ(api.RegisterDBDriver(dataSource), 1) << api.lastMessage();
    ASSERT_EQ(api.initCharsetConverter(), 1) << api.lastMessage();
    ASSERT_EQ(api.JSQLConnect(connection, dataSource, user_.c_str(), password_.c_str()), 1)
        << api.lastMessage();
  }

  int32_t update(const std::string& text, bool utf8 = false) {
    int32_t count = -7;
    EXPECT_EQ(api_.JSQLExecUpdate(connection_, statement_, text.c_str(), &count, utf8), 1)
        << text << ": " << api_.lastMessage();
    return count;
  }

  // Every row of a query, each column read through a buffer of `size` bytes.
  Rows query(const std::string& text, bool utf8 = false, int32_t size = 255,
             JSQLApi* api = nullptr) {
    JSQLApi& session = api ? *api : api_;
    sql::PreparedStatement statement;
    sql::ResultSet resultSet;
    sql::ResultSetMetaData columns;
    Rows rows;
    if (session.JSQLExecQuery(connection_, statement, text.c_str(), resultSet, columns, utf8) !=
        1) {
      ADD_FAILURE() << text << ": " << session.lastMessage();
      return rows;
    }
    int32_t n = 0;
    EXPECT_EQ(session.JSQLGetColumnCount(columns, &n), 1);
    while (resultSet.next()) {
      Row row;
      for (int32_t c = 1; c <= n; ++c) {
        std::vector<char> buffer(size + 1, 'X');
        int32_t length = -9;
        EXPECT_EQ(session.JSQLGetResultSetStringData(resultSet, c, 0, buffer.data(), size, &length),
                  1)
            << session.lastMessage();
        EXPECT_EQ(buffer[size], 'X') << "written past the size";
        buffer[size] = '\0';
        row.push_back({buffer.data(), length});
      }
      rows.push_back(row);
    }
    EXPECT_EQ(session.JSQLCloseStatement(statement), 1);
    return rows;
  }

  // The first column of every row.
  std::vector<std::string> column(const std::string& text, bool utf8 = false) {
    std::vector<std::string> out;
    for (const Row& r : query(text, utf8)) out.push_back(r.at(0).text);
    return out;
  }

  void createPeople() {
    update("CREATE TABLE people (id INT PRIMARY KEY, name VARCHAR(100))");
  }

  JSQLApi api_;
  sql::Connection connection_;
  sql::DatabaseMetaData metaData_;
  sql::PreparedStatement statement_;
  std::string url_;
  std::string user_;
  std::string password_;
};

TEST_P(JvmSessionTest, ConnectsAndDescribesTheDatabase) {
  EXPECT_TRUE(api_.jvmReady());
  EXPECT_TRUE(api_.fromUtf8Ready());
  int32_t closed = 7;
  EXPECT_EQ(api_.JSQLIsClosed(connection_, &closed), 1);
  EXPECT_EQ(closed, 0);

  char text[128];
  ASSERT_EQ(api_.JSQLGetDatabaseProductName(metaData_, text, sizeof text - 1), 1);
  EXPECT_STREQ(text, backend().upperCase ? "HSQL Database Engine" : "PostgreSQL");
  ASSERT_EQ(api_.JSQLGetDatabaseProductVersion(metaData_, text, sizeof text - 1), 1);
  EXPECT_NE(text[0], '\0');
  ASSERT_EQ(api_.JSQLGetDriverName(metaData_, text, sizeof text - 1), 1);
  EXPECT_NE(std::string(text).find(backend().upperCase ? "HSQL" : "PostgreSQL"), std::string::npos)
      << text;
  ASSERT_EQ(api_.JSQLGetDriverVersion(metaData_, text, sizeof text - 1), 1);
  EXPECT_NE(text[0], '\0');
  // A cut name ends on a whole character and is zero-filled.
  ASSERT_EQ(api_.JSQLGetDatabaseProductName(metaData_, text, 4), 1);
  EXPECT_EQ(std::string(text, 4), backend().upperCase ? "HSQL" : "Post");

  ASSERT_EQ(api_.JSQLGetServerDB("db", text, sizeof text - 1), 1);
  EXPECT_EQ(std::string(text).rfind("srv-", 0), 0u);

  bool autoCommit = false;
  EXPECT_EQ(api_.JSQLGetAutoCommit(connection_, &autoCommit), 1);
  EXPECT_TRUE(autoCommit);
  int32_t seconds = -1;
  EXPECT_EQ(api_.JSQLSetLoginTimeout(17), 1);
  EXPECT_EQ(api_.JSQLGetLoginTimeout(&seconds), 1);
  EXPECT_EQ(seconds, 17);
  api_.JSQLSetLoginTimeout(0);

  // A second connect asks the JVM component no more but loads the driver again.
  sql::Connection second;
  connect(api_, second);
  EXPECT_FALSE(second.isSameObject(connection_));
  EXPECT_EQ(api_.JSQLDisconnect(second), 1);
}

TEST_P(JvmSessionTest, QuotedLiteralsAreBoundAsParameters) {
  createPeople();
  EXPECT_EQ(update("INSERT INTO people VALUES (1, 'O''Brien')"), 1);
  EXPECT_EQ(update("INSERT INTO people VALUES (2, '')"), 1);
  EXPECT_EQ(update("INSERT INTO people VALUES (3, 'a''''b -- not a comment')"), 1);
  EXPECT_EQ(update("INSERT INTO people VALUES (4, '?')"), 1);

  EXPECT_EQ(column("SELECT id FROM people WHERE name = 'O''Brien'"), std::vector<std::string>{"1"});
  EXPECT_EQ(column("SELECT name FROM people WHERE id = 3"),
            std::vector<std::string>{"a''b -- not a comment"});
  EXPECT_EQ(column("SELECT id FROM people WHERE name = '?'"), std::vector<std::string>{"4"})
      << "a question mark inside a literal is data";
  EXPECT_EQ(column("SELECT id FROM people WHERE name = ''"), std::vector<std::string>{"2"});
  // An unterminated literal binds everything after its quote.
  EXPECT_EQ(column("SELECT id FROM people WHERE name = 'O''Brien"), std::vector<std::string>{"1"});
  EXPECT_EQ(update("UPDATE people SET name = 'x' WHERE id > 2"), 2);
  EXPECT_EQ(update("DELETE FROM people WHERE name = 'nobody'"), 0);
}

TEST_P(JvmSessionTest, QuotesInIdentifiersAndCommentsStillOpenLiterals) {
  createPeople();
  int32_t count = 5;
  // The quote inside the identifier opens a literal that swallows the rest of the statement.
  EXPECT_EQ(
      api_.JSQLExecUpdate(connection_, statement_, "CREATE TABLE \"it's\" (id INT)", &count, false),
      -1);
  EXPECT_EQ(count, 0);
  EXPECT_NE(api_.lastSqlState(), "");

  // The marker lands in the comment, where the driver sees no parameter to bind.
  sql::PreparedStatement statement;
  sql::ResultSet resultSet;
  sql::ResultSetMetaData columns;
  EXPECT_EQ(api_.JSQLExecQuery(connection_, statement, "SELECT id FROM people -- don't\n",
                               resultSet, columns, false),
            -1);
  EXPECT_NE(api_.lastMessage(), "");
  EXPECT_EQ(api_.JSQLCloseStatement(statement), 1);
}

TEST_P(JvmSessionTest, ColumnValuesArriveInCallerBuffers) {
  update("CREATE TABLE v (id INT PRIMARY KEY, s VARCHAR(50), n INT)");
  update("INSERT INTO v VALUES (1, NULL, NULL)");
  update("INSERT INTO v VALUES (2, '', 0)");
  update("INSERT INTO v VALUES (3, 'abcdef', 42)");
  update(
      "INSERT INTO v VALUES (4, '\xCE\x91\xCE\x92\xCE\x93\xCE\x94\xCE\x95\xCE\x96\xCE\x97\xCE\x98"
      "\xCE\x99\xCE\x9A', -7)",
      true);
  update("INSERT INTO v VALUES (5, '\xF0\x9F\x98\x80', 1)", true);

  Rows rows = query("SELECT s FROM v ORDER BY id", false, 7);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0][0], (Cell{"", -1})) << "SQL NULL";
  EXPECT_EQ(rows[1][0], (Cell{"", -1})) << "the empty text reads like NULL";
  EXPECT_EQ(rows[2][0], (Cell{"abcdef", 6}));
  // 10 Greek letters are 20 bytes: 3 whole ones fit in 7, and length still counts all 10.
  EXPECT_EQ(rows[3][0], (Cell{"\xCE\x91\xCE\x92\xCE\x93", 10}));
  EXPECT_EQ(rows[4][0], (Cell{"\xF0\x9F\x98\x80", 2})) << "length counts UTF-16 units";

  rows = query("SELECT s FROM v WHERE id = 4", false, 3);
  EXPECT_EQ(rows.at(0)[0], (Cell{"\xCE\x91", 10}));
  rows = query("SELECT s FROM v WHERE id = 5", false, 3);
  EXPECT_EQ(rows.at(0)[0], (Cell{"", 2})) << "an emoji that does not fit leaves nothing";

  // The buffer beyond the text is zero-filled.
  sql::PreparedStatement statement;
  sql::ResultSet resultSet;
  sql::ResultSetMetaData columns;
  ASSERT_EQ(api_.JSQLExecQuery(connection_, statement, "SELECT s, n FROM v WHERE id = 3", resultSet,
                               columns, false),
            1);
  ASSERT_TRUE(resultSet.next());
  char buffer[12];
  std::memset(buffer, 'X', sizeof buffer);
  int32_t length = 0;
  ASSERT_EQ(api_.JSQLGetResultSetStringData(resultSet, 1, 0, buffer, 10, &length), 1);
  EXPECT_EQ(std::string(buffer, 11), std::string("abcdef\0\0\0\0X", 11));
  int32_t n = 0;
  ASSERT_EQ(api_.JSQLGetResultSetIntData(resultSet, 2, 0, &n), 1);
  EXPECT_EQ(n, 42);
  // A column that does not exist is the driver's error, not a crash.
  EXPECT_EQ(api_.JSQLGetResultSetStringData(resultSet, 9, 0, buffer, 10, &length), -1);
  EXPECT_NE(api_.lastMessage(), "");
  EXPECT_EQ(api_.JSQLGetResultSetIntData(resultSet, 9, 0, &n), -1);
  api_.JSQLCloseStatement(statement);
}

TEST_P(JvmSessionTest, ColumnsAreDescribed) {
  createPeople();
  sql::PreparedStatement statement;
  sql::ResultSet resultSet;
  sql::ResultSetMetaData columns;
  ASSERT_EQ(api_.JSQLExecQuery(connection_, statement, "SELECT id, name FROM people", resultSet,
                               columns, false),
            1);
  int32_t count = 0;
  ASSERT_EQ(api_.JSQLGetColumnCount(columns, &count), 1);
  EXPECT_EQ(count, 2);

  char name[16];
  int32_t nameLength = 0, type = 0, display = 0, precision = 0, nullable = 0;
  ASSERT_EQ(api_.JSQLDescribeColumn(columns, 1, name, sizeof name - 1, &nameLength, &type, &display,
                                    &precision, &nullable),
            1);
  EXPECT_EQ(std::string(name), folded("id"));
  EXPECT_EQ(nameLength, 2);
  EXPECT_EQ(type, 4);      // java.sql.Types.INTEGER
  EXPECT_EQ(nullable, 0);  // columnNoNulls: a primary key
  ASSERT_EQ(api_.JSQLDescribeColumn(columns, 2, name, 2, &nameLength, &type, &display, &precision,
                                    &nullable),
            1);
  EXPECT_EQ(std::string(name, 2), folded("na"));
  EXPECT_EQ(nameLength, 4) << "the length before the cut";
  EXPECT_EQ(type, 12);  // VARCHAR
  EXPECT_EQ(precision, 100);
  EXPECT_EQ(nullable, 1);
  EXPECT_EQ(api_.JSQLDescribeColumn(columns, 3, name, 2, &nameLength, &type, &display, &precision,
                                    &nullable),
            -1);
  api_.JSQLCloseStatement(statement);
}

// Tests that non-Latin text goes in and comes out byte for byte, with and without the UTF-8
// flag, in literals and in the statement text itself.
TEST_P(JvmSessionTest, NonLatinTextRoundTripsInBothModes) {
  createPeople();
  for (bool utf8 : {false, true}) {
    SCOPED_TRACE(utf8 ? "UTF-8" : "default encoding");
    update("DELETE FROM people");
    EXPECT_EQ(update("INSERT INTO people VALUES (1, '" + kNonLatin + "')", utf8), 1);
    Rows rows = query("SELECT name FROM people", utf8);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].text, kNonLatin);
    EXPECT_EQ(rows[0][0].length, 14) << "Java characters: 12 and a surrogate pair";
    EXPECT_EQ(column("SELECT id FROM people WHERE name = '" + kNonLatin + "'", utf8),
              std::vector<std::string>{"1"});

    // Outside literals: quoted identifiers in the statement text.
    std::string table = "\"\xE5\x90\x8D\xE5\x89\x8D" + std::string(utf8 ? "8" : "d") + "\"";
    std::string columnName = "\xE5\x88\x97\xF0\x9F\x98\x80";  // 列😀
    update("CREATE TABLE " + table + " (\"" + columnName + "\" VARCHAR(40))", utf8);
    update("INSERT INTO " + table + " VALUES ('" + kNonLatin + "')", utf8);
    sql::PreparedStatement statement;
    sql::ResultSet resultSet;
    sql::ResultSetMetaData columns;
    ASSERT_EQ(api_.JSQLExecQuery(connection_, statement,
                                 ("SELECT \"" + columnName + "\" FROM " + table).c_str(), resultSet,
                                 columns, utf8),
              1)
        << api_.lastMessage();
    char name[32];
    int32_t nameLength = 0, type = 0, display = 0, precision = 0, nullable = 0;
    ASSERT_EQ(api_.JSQLDescribeColumn(columns, 1, name, sizeof name - 1, &nameLength, &type,
                                      &display, &precision, &nullable),
              1);
    EXPECT_EQ(std::string(name), columnName);
    ASSERT_TRUE(resultSet.next());
    char value[64];
    int32_t length = 0;
    ASSERT_EQ(api_.JSQLGetResultSetStringData(resultSet, 1, 0, value, sizeof value - 1, &length),
              1);
    EXPECT_EQ(std::string(value), kNonLatin);
    api_.JSQLCloseStatement(statement);
  }
}

TEST_P(JvmSessionTest, SqlErrorsArriveWithTheDriversStateAndMessage) {
  sql::PreparedStatement statement;
  sql::ResultSet resultSet;
  sql::ResultSetMetaData columns;
  EXPECT_EQ(api_.JSQLExecQuery(connection_, statement, "SELECT * FROM no_such_table", resultSet,
                               columns, false),
            -1);
  EXPECT_EQ(api_.lastSqlState(), backend().missingTableState);
  std::string message = api_.lastMessage();
  std::transform(message.begin(), message.end(), message.begin(), ::tolower);
  EXPECT_NE(message.find("no_such_table"), std::string::npos) << api_.lastMessage();
  if (backend().upperCase) {
    EXPECT_EQ(api_.lastErrorCode(), -5501);
  }

  qzIUnknown* error = nullptr;
  api_.JSQLReportError("execute", &error);
  ASSERT_NE(error, nullptr);
  qzExceptionTexts texts = qzReadException(error);
  EXPECT_EQ(texts.source, "ZIRUV:execute");
  EXPECT_EQ(texts.description, api_.lastMessage()) << "no code or state in the description";
  error->Release();

  int32_t count = 9;
  EXPECT_EQ(api_.JSQLExecUpdate(connection_, statement_, "INSERT INTO no_such_table VALUES (1)",
                                &count, false),
            -1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(api_.lastSqlState(), backend().missingTableState);
  api_.JSQLCloseStatement(statement);
}

TEST_P(JvmSessionTest, LongMessagesAreCutInErrorObjects) {
  // The drivers quote the long text in their messages.
  std::string text(1500, 'q');
  std::string statement =
      backend().upperCase ? "SELECT * FROM \"" + text + "\"" : "SELECT CAST('" + text + "' AS INT)";
  int32_t count = 0;
  ASSERT_EQ(api_.JSQLExecUpdate(connection_, statement_, statement.c_str(), &count, false), -1);
  ASSERT_GT(api_.lastMessage().size(), 1023u) << api_.lastMessage();
  qzIUnknown* error = nullptr;
  api_.JSQLReportError("execute", &error);
  ASSERT_NE(error, nullptr);
  std::string description = qzReadException(error).description;
  EXPECT_EQ(description, api_.lastMessage().substr(0, 1023));
  error->Release();
}

TEST_P(JvmSessionTest, CommitAndRollback) {
  createPeople();
  ASSERT_EQ(api_.JSQLSetAutoCommit(connection_, false), 1);
  bool autoCommit = true;
  EXPECT_EQ(api_.JSQLGetAutoCommit(connection_, &autoCommit), 1);
  EXPECT_FALSE(autoCommit);

  update("INSERT INTO people VALUES (1, 'gone')");
  EXPECT_EQ(api_.JSQLRollback(connection_), 1);
  EXPECT_TRUE(column("SELECT name FROM people").empty());
  update("INSERT INTO people VALUES (2, 'kept')");
  EXPECT_EQ(api_.JSQLCommit(connection_), 1);
  EXPECT_EQ(api_.JSQLRollback(connection_), 1);
  EXPECT_EQ(column("SELECT name FROM people"), std::vector<std::string>{"kept"});
  EXPECT_EQ(api_.JSQLSetAutoCommit(connection_, true), 1);
}

TEST_P(JvmSessionTest, CatalogueReads) {
  update("CREATE TABLE parent (id INT PRIMARY KEY, label VARCHAR(20))");
  update("CREATE TABLE child (id INT PRIMARY KEY, parent_id INT REFERENCES parent(id))");
  auto firstRow = [&](sql::ResultSet& resultSet, std::vector<int32_t> textColumns) {
    std::vector<std::string> out;
    if (!resultSet.next()) return out;
    for (int32_t c : textColumns) {
      char buffer[129];
      int32_t length = 0;
      EXPECT_EQ(api_.JSQLGetResultSetStringData(resultSet, c, 0, buffer, 128, &length), 1);
      out.push_back(buffer);
    }
    return out;
  };

  sql::ResultSet resultSet;
  const char* tableType[] = {"TABLE"};
  std::string parent = folded("parent"), child = folded("child");
  ASSERT_EQ(
      api_.JSQLGetTables(metaData_, resultSet, nullptr, nullptr, parent.c_str(), tableType, 1), 1)
      << api_.lastMessage();
  EXPECT_EQ(firstRow(resultSet, {3, 4}), (std::vector<std::string>{parent, "TABLE"}));
  EXPECT_FALSE(resultSet.next());
  // No type names: an empty array, which the driver takes as "no type", not as "any".
  ASSERT_EQ(
      api_.JSQLGetTables(metaData_, resultSet, nullptr, nullptr, parent.c_str(), tableType, 0), 1)
      << api_.lastMessage();
  EXPECT_FALSE(resultSet.isNull());

  ASSERT_EQ(api_.JSQLGetColumns(metaData_, resultSet, nullptr, nullptr, child.c_str(), nullptr), 1);
  std::vector<std::string> names;
  while (resultSet.next()) {
    char buffer[129];
    int32_t length = 0, type = 0, position = 0;
    ASSERT_EQ(api_.JSQLGetResultSetStringData(resultSet, 4, 0, buffer, 128, &length), 1);
    ASSERT_EQ(api_.JSQLGetResultSetIntData(resultSet, 5, 0, &type), 1);
    ASSERT_EQ(api_.JSQLGetResultSetIntData(resultSet, 17, 0, &position), 1);
    EXPECT_EQ(type, 4);
    names.push_back(std::to_string(position) + buffer);
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"1" + folded("id"), "2" + folded("parent_id")}));

  ASSERT_EQ(api_.JSQLGetPrimaryKeys(metaData_, resultSet, nullptr, nullptr, parent.c_str()), 1);
  EXPECT_EQ(firstRow(resultSet, {3, 4}), (std::vector<std::string>{parent, folded("id")}));
  ASSERT_EQ(api_.JSQLGetImportedKeys(metaData_, resultSet, nullptr, nullptr, child.c_str()), 1);
  EXPECT_EQ(firstRow(resultSet, {3, 4, 7, 8}),
            (std::vector<std::string>{parent, folded("id"), child, folded("parent_id")}));
  ASSERT_EQ(api_.JSQLGetCrossReference(metaData_, resultSet, nullptr, nullptr, parent.c_str(),
                                       nullptr, nullptr, child.c_str()),
            1);
  EXPECT_EQ(firstRow(resultSet, {3, 7}), (std::vector<std::string>{parent, child}));
  EXPECT_EQ(api_.JSQLCloseResultSet(resultSet), 1);
}

TEST_P(JvmSessionTest, ResultSetOptionsAndRowUpdates) {
  createPeople();
  update("INSERT INTO people VALUES (1, 'one')");
  update("INSERT INTO people VALUES (2, 'two')");

  sql::PreparedStatement statement;
  sql::ResultSet resultSet;
  sql::ResultSetMetaData columns;
  api_.SetResultSetOptions(1004, 1008);  // scroll-insensitive, updatable
  // No ORDER BY: a sorted result is not updatable for every driver.
  ASSERT_EQ(api_.JSQLExecQuery(connection_, statement, "SELECT id, name FROM people", resultSet,
                               columns, false),
            1)
      << api_.lastMessage();
  api_.SetResultSetOptions(1003, 1007);
  ASSERT_TRUE(resultSet.last()) << "a scrollable result";
  EXPECT_EQ(api_.JSQLUpdateStringData(resultSet, 1, 2, 0, "uno"), 1) << api_.lastMessage();
  EXPECT_EQ(api_.JSQLUpdateStringData(resultSet, 2, 2, 0, nullptr), 1) << api_.lastMessage();
  api_.JSQLCloseStatement(statement);

  Rows rows = query("SELECT name FROM people ORDER BY id");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0].text, "uno");
  EXPECT_EQ(rows[1][0].length, -1) << "a null text is stored as NULL";

  // Forward-only and read-only again: the driver refuses the update.
  ASSERT_EQ(api_.JSQLExecQuery(connection_, statement, "SELECT id, name FROM people", resultSet,
                               columns, false),
            1);
  EXPECT_EQ(api_.JSQLUpdateStringData(resultSet, 1, 2, 0, "x"), -1);
  EXPECT_NE(api_.lastMessage(), "");

  sql::Statement plain;
  ASSERT_EQ(api_.JSQLCreateStatement(connection_, plain, 1003, 1007), 1);
  sql::ResultSet direct = plain.executeQuery(lang::String("SELECT COUNT(*) FROM people"));
  ASSERT_TRUE(direct.next());
  EXPECT_EQ(static_cast<int>(direct.getInt(jbridge::proxy::JInt(1))), 2);
  EXPECT_EQ(api_.JSQLCloseStatement(plain), 1);
  EXPECT_EQ(api_.JSQLCloseStatement(statement), 1);
}

TEST_P(JvmSessionTest, ClosedConnectionsFailWithTheDriversError) {
  EXPECT_EQ(api_.JSQLDisconnect(connection_), 1);
  int32_t closed = 0;
  EXPECT_EQ(api_.JSQLIsClosed(connection_, &closed), 1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(api_.JSQLDisconnect(connection_), 1) << "closing twice does nothing";

  EXPECT_EQ(api_.JSQLCommit(connection_), -1);
  EXPECT_EQ(api_.lastSqlState(), "08003");
  int32_t count = 0;
  EXPECT_EQ(api_.JSQLExecUpdate(connection_, statement_, "DELETE FROM t", &count, false), -1);
  EXPECT_EQ(api_.lastSqlState(), "08003");
}

// Tests that a statement replaced by the next one is closed, so that a long loop leaks nothing.
TEST_P(JvmSessionTest, ReplacedStatementsAreClosed) {
  createPeople();
  update("INSERT INTO people VALUES (1, 'one')");
  sql::PreparedStatement statement;
  sql::ResultSet resultSet;
  sql::ResultSetMetaData columns;
  ASSERT_EQ(api_.JSQLExecQuery(connection_, statement, "SELECT name FROM people", resultSet,
                               columns, false),
            1);
  sql::PreparedStatement previous = statement;
  ASSERT_EQ(api_.JSQLExecQuery(connection_, statement, "SELECT id FROM people", resultSet, columns,
                               false),
            1);
  EXPECT_FALSE(previous.isSameObject(statement));
  EXPECT_THROW(previous.executeQuery(), sql::SQLException) << "the replaced statement is closed";

  sql::PreparedStatement previousUpdate = statement_;
  update("UPDATE people SET name = 'x'");
  previousUpdate = statement_;
  update("UPDATE people SET name = 'y'");
  EXPECT_THROW(previousUpdate.executeUpdate(), sql::SQLException);
  previous = sql::PreparedStatement();
  previousUpdate = sql::PreparedStatement();

  long before = jbridge::JNIHelper::liveGlobalRefs();
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(
        api_.JSQLExecQuery(connection_, statement, "SELECT name FROM people WHERE name <> 'z'",
                           resultSet, columns, false),
        1)
        << api_.lastMessage();
    int32_t n = 0;
    ASSERT_EQ(api_.JSQLExecUpdate(connection_, statement_, "UPDATE people SET id = 1 WHERE id = 1",
                                  &n, false),
              1);
  }
  EXPECT_EQ(jbridge::JNIHelper::liveGlobalRefs(), before);
  EXPECT_EQ(api_.JSQLCloseStatement(statement), 1);
}

TEST_P(JvmSessionTest, CallsFromASecondNativeThread) {
  createPeople();
  update("INSERT INTO people VALUES (1, '" + kNonLatin + "')", true);
  std::vector<std::string> seen;
  std::string otherMessage;
  std::thread([&] {
    seen = column("SELECT name FROM people");
    // A session of its own, set up entirely on this thread.
    JSQLApi other;
    sql::Connection connection;
    if (other.CreateOrGetJVM() == 1 && other.RegisterDBDriver("db") == 1 &&
        other.initCharsetConverter() == 1 &&
        other.JSQLConnect(connection, "db", user_.c_str(), password_.c_str()) == 1) {
      sql::PreparedStatement statement;
      int32_t count = 0;
      if (other.JSQLExecUpdate(connection, statement, "INSERT INTO people VALUES (2, 'b')", &count,
                               false) != 1) {
        otherMessage = other.lastMessage();
      }
      other.JSQLCloseStatement(statement);
      other.JSQLDisconnect(connection);
    } else {
      otherMessage = other.lastMessage();
    }
  }).join();
  EXPECT_EQ(seen, std::vector<std::string>{kNonLatin});
  EXPECT_EQ(otherMessage, "");
  EXPECT_EQ(column("SELECT name FROM people ORDER BY id"),
            (std::vector<std::string>{kNonLatin, "b"}));
}

TEST_P(JvmSessionTest, DriverAndConfigurationFailures) {
  writeJdbcConfig(userFolder(), configBlock("db", url_, backend().driverClass) +
                                    configBlock("nodriver", url_, "org.example.NoSuchDriver") +
                                    "[emptydriver]\nURL = " + url_ + "\nDriverClass =\n\n" +
                                    configBlock("nodriveritem", url_, "") +
                                    configBlock("nourl", "", backend().driverClass));
  EXPECT_EQ(api_.RegisterDBDriver("nodriver"), -1);
  EXPECT_EQ(api_.lastMessage(), "java.lang.ClassNotFoundException: org.example.NoSuchDriver");
  EXPECT_EQ(api_.lastSqlState(), "");
  EXPECT_EQ(api_.RegisterDBDriver("emptydriver"), -1);
  EXPECT_EQ(api_.lastMessage(), "RegisterDBDriver: DriverClass not found in jdbc.cfg");
  EXPECT_EQ(api_.RegisterDBDriver("nodriveritem"), -1);
  EXPECT_EQ(api_.lastMessage(), "RegisterDBDriver: Error in jdbc.cfg");
  EXPECT_EQ(api_.RegisterDBDriver("unknown"), -1);
  EXPECT_EQ(api_.lastMessage(), "RegisterDBDriver: Error in jdbc.cfg");

  // No URL: the empty one goes to DriverManager, which finds no driver for it.
  sql::Connection connection;
  EXPECT_EQ(api_.RegisterDBDriver("nourl"), 1);
  EXPECT_EQ(api_.JSQLConnect(connection, "nourl", user_.c_str(), password_.c_str()), -1);
  EXPECT_EQ(api_.lastSqlState(), "08001");
  EXPECT_TRUE(connection.isNull());

  // The user file wins even when its block lacks the URL the setup file has.
  writeJdbcConfig(setupFolder(), configBlock("nourl", url_, backend().driverClass));
  EXPECT_EQ(api_.JSQLConnect(connection, "nourl", user_.c_str(), password_.c_str()), -1);
  EXPECT_EQ(api_.lastSqlState(), "08001");

  // With the user file gone the setup file serves, and the miss stays recorded.
  removeJdbcConfig(userFolder());
  EXPECT_EQ(api_.JSQLConnect(connection, "nourl", user_.c_str(), password_.c_str()), 1);
  EXPECT_EQ(api_.lastMessage(), "Can not resolve $KESTRAN_USER\\jdbc.cfg");
  api_.JSQLDisconnect(connection);

  removeJdbcConfig(setupFolder());
  EXPECT_EQ(api_.RegisterDBDriver("db"), -1);
  EXPECT_EQ(api_.lastMessage(), "Can not resolve $KESTRAN_SETUP\\jdbc.cfg");
  EXPECT_EQ(api_.JSQLConnect(connection, "db", user_.c_str(), password_.c_str()), -1);
  EXPECT_EQ(api_.lastMessage(), "Can not resolve $KESTRAN_SETUP\\jdbc.cfg");
}

TEST_P(JvmSessionTest, WrongPasswordIsTheDriversError) {
  sql::Connection connection;
  EXPECT_EQ(api_.JSQLConnect(connection, "db", "nobody", "wrong"), -1);
  EXPECT_NE(api_.lastSqlState(), "");
  EXPECT_NE(api_.lastMessage(), "");
  EXPECT_TRUE(connection.isNull());
}

INSTANTIATE_TEST_SUITE_P(Drivers, JvmSessionTest, ::testing::Values(&kHsqldb, &kPostgres),
                         [](const auto& info) { return std::string(info.param->name); });

// HSQLDB only: databases on file and texts with U+0000.
class HsqldbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    removeJdbcConfig(setupFolder());
    ASSERT_EQ(api_.CreateOrGetJVM(), 1) << api_.lastMessage();
  }
  void connect(const std::string& url) {
    writeJdbcConfig(userFolder(), configBlock("db", url, kHsqldbDriver));
    ASSERT_EQ(api_.RegisterDBDriver("db"), 1) << api_.lastMessage();
    ASSERT_EQ(api_.JSQLConnect(connection_, "db", "SA", ""), 1) << api_.lastMessage();
  }
  std::vector<Cell> firstColumn(const char* text, int32_t size = 63) {
    sql::ResultSet resultSet;
    sql::ResultSetMetaData columns;
    std::vector<Cell> out;
    EXPECT_EQ(api_.JSQLExecQuery(connection_, statement_, text, resultSet, columns, true), 1)
        << api_.lastMessage();
    while (!resultSet.isNull() && resultSet.next()) {
      std::vector<char> buffer(size + 1, '\0');
      int32_t length = 0;
      EXPECT_EQ(api_.JSQLGetResultSetStringData(resultSet, 1, 0, buffer.data(), size, &length), 1);
      out.push_back({std::string(buffer.data(), size), length});
    }
    return out;
  }
  void TearDown() override {
    api_.JSQLCloseStatement(statement_);
    api_.JSQLDisconnect(connection_);
  }

  JSQLApi api_;
  sql::Connection connection_;
  sql::PreparedStatement statement_;
};

TEST_F(HsqldbTest, FileDatabasesKeepTheirData) {
  std::string folder = qztest::jdbc::freshFolder("filedb");
  connect("jdbc:hsqldb:file:" + folder + "/db");
  int32_t count = 0;
  ASSERT_EQ(api_.JSQLExecUpdate(connection_, statement_, "CREATE TABLE kept (s VARCHAR(20))",
                                &count, false),
            1);
  ASSERT_EQ(api_.JSQLExecUpdate(connection_, statement_, "INSERT INTO kept VALUES ('here')", &count,
                                false),
            1);
  ASSERT_EQ(api_.JSQLExecUpdate(connection_, statement_, "SHUTDOWN", &count, false), 1);
  api_.JSQLDisconnect(connection_);

  connect("jdbc:hsqldb:file:" + folder + "/db");
  std::vector<Cell> cells = firstColumn("SELECT s FROM kept", 4);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0], (Cell{"here", 4}));
}

TEST_F(HsqldbTest, NulCharactersAreNeverModifiedUtf8) {
  connect("jdbc:hsqldb:mem:nul");
  int32_t count = 0;
  ASSERT_EQ(
      api_.JSQLExecUpdate(connection_, statement_, "CREATE TABLE z (s VARCHAR(20))", &count, false),
      1);
  ASSERT_EQ(
      api_.JSQLExecUpdate(connection_, statement_, "INSERT INTO z VALUES ('x')", &count, false), 1);
  // Without a converter the bytes come as they are: x, NUL, x.
  std::vector<Cell> cells = firstColumn("SELECT s || CHAR(0) || s FROM z", 4);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0], (Cell{std::string("x\0x\0", 4), 3}));
}

// Tests the locale charset that cannot hold the text: the column text stays UTF-8, cut whole.
TEST_F(HsqldbTest, TextThatTheLocaleCannotHoldStaysUnconverted) {
  const char* saved = getenv("LC_ALL");
  std::string previous = saved ? saved : "";
  setenv("LC_ALL", "C", 1);
  ASSERT_EQ(api_.initCharsetConverter(), 1);
  if (saved) {
    setenv("LC_ALL", previous.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  EXPECT_TRUE(api_.fromUtf8Ready());
  connect("jdbc:hsqldb:mem:ascii");
  int32_t count = 0;
  ASSERT_EQ(
      api_.JSQLExecUpdate(connection_, statement_, "CREATE TABLE a (s VARCHAR(40))", &count, false),
      1);
  ASSERT_EQ(
      api_.JSQLExecUpdate(connection_, statement_,
                          ("INSERT INTO a VALUES ('" + kNonLatin + "')").c_str(), &count, true),
      1);
  ASSERT_EQ(api_.JSQLExecUpdate(connection_, statement_, "INSERT INTO a VALUES ('plain text')",
                                &count, true),
            1);
  std::vector<Cell> cells = firstColumn("SELECT s FROM a ORDER BY s DESC", 40);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].text.c_str(), kNonLatin);
  EXPECT_EQ(cells[1].text.c_str(), std::string("plain text"));
  cells = firstColumn("SELECT s FROM a ORDER BY s DESC", 5);
  EXPECT_EQ(cells.at(0).text, std::string("\xCE\x95\xCE\xBB\0", 5));
  EXPECT_EQ(cells.at(1).text, "plain");
}

// A host engine that serves our host's companions, except that the charset component claims
// the locale charset is Shift_JIS: a character set whose characters take one or two bytes.
class ShiftJisEngine : public qzIEngineFactory {
 public:
  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (!iid || !out) return kQzFailed;
    if (!qzIIDEqual(*iid, qziid::kEngineFactory) && !qzIIDEqual(*iid, qziid::kUnknown)) {
      return kQzNoInterface;
    }
    AddRef();
    *out = static_cast<qzIEngineFactory*>(this);
    return kQzOk;
  }
  int32_t AddRef() override { return ++refs_; }
  int32_t Release() override { return --refs_; }
  int32_t registerClassObject(const qzIIDS*, qzIUnknown*, int32_t, uint32_t* cookie) override {
    *cookie = 1;
    return kQzOk;
  }
  int32_t revokeClassObject(uint32_t) override { return kQzOk; }
  int32_t classObjectCount(int32_t* out) override {
    *out = 0;
    return kQzOk;
  }
  int32_t createObject(const qzIIDS* classId, qzIUnknown** out) override {
    qzIUnknown* real = qz::host::createCompanion(*classId);
    if (!real) return kQzFailed;
    if (!qzIIDMatchesName(*classId, "zeltools.charsetconvert")) {
      *out = real;
      return kQzOk;
    }
    charsets_ = qzQuery<qzICharsetFactory>(real, qziid::kCharsetFactory);
    real->Release();
    AddRef();
    *out = &factory_;
    return kQzOk;
  }

 private:
  class Factory : public qzICharsetFactory {
   public:
    explicit Factory(ShiftJisEngine* owner) : owner_(owner) {}
    int32_t QueryInterface(const qzIIDS* iid, void** out) override {
      if (!qzIIDEqual(*iid, qziid::kCharsetFactory) && !qzIIDEqual(*iid, qziid::kUnknown)) {
        return kQzNoInterface;
      }
      AddRef();
      *out = static_cast<qzICharsetFactory*>(this);
      return kQzOk;
    }
    int32_t AddRef() override { return owner_->AddRef(); }
    int32_t Release() override { return owner_->Release(); }
    int32_t isKnownCharset(const char* name) override {
      return owner_->charsets_->isKnownCharset(name);
    }
    int32_t getLocaleCharset(qzVariantS* out) override {
      out->setString("SHIFT_JIS");
      return kQzOk;
    }
    int32_t openConverter(const char* from, const char* to, qzIUnknown** out) override {
      return owner_->charsets_->openConverter(from, to, out);
    }

   private:
    ShiftJisEngine* owner_;
  };

  int32_t refs_ = 0;
  qzRef<qzICharsetFactory> charsets_;
  Factory factory_{this};
};

// Tests that a converted column text is cut at a whole character of the locale charset.
TEST_F(HsqldbTest, ConvertedTextIsCutAtWholeLocaleCharacters) {
  // The session keeps the charset component: the engine must outlive the fixture.
  static ShiftJisEngine engine;
  qztest::jdbc::stopEngine();
  ASSERT_EQ(qzComInitRemoteEngine(&engine), 0);
  EXPECT_EQ(api_.initCharsetConverter(), 1);
  EXPECT_TRUE(api_.fromUtf8Ready());
  qzComTerminateRemoteEngine();
  qztest::jdbc::startEngine();

  connect("jdbc:hsqldb:mem:sjis");
  int32_t count = 0;
  ASSERT_EQ(
      api_.JSQLExecUpdate(connection_, statement_, "CREATE TABLE j (s VARCHAR(20))", &count, false),
      1);
  ASSERT_EQ(
      api_.JSQLExecUpdate(connection_, statement_,
                          "INSERT INTO j VALUES ('ab\xE6\xBC\xA2\xE5\xAD\x97')", &count, true),
      1);
  const std::string sjis = "ab\x8A\xBF\x8E\x9A";  // ab漢字 in Shift_JIS
  EXPECT_EQ(firstColumn("SELECT s FROM j", 6).at(0), (Cell{sjis, 4}));
  EXPECT_EQ(firstColumn("SELECT s FROM j", 5).at(0), (Cell{sjis.substr(0, 4) + '\0', 4}));
  EXPECT_EQ(firstColumn("SELECT s FROM j", 3).at(0), (Cell{std::string("ab\0", 3), 4}));
}

}  // namespace
}  // namespace qz::jdbc

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new qztest::jdbc::SessionEnvironment);
#ifdef QZ_JDBC_WITH_PG
  ::testing::AddGlobalTestEnvironment(new qztest::PgEnvironment);
#endif
  return RUN_ALL_TESTS();
}
