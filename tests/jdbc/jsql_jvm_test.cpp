// The session layer against real drivers in a real VM: HSQLDB, and a private PostgreSQL server
// when the build has the test server and the machine can run it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "jbridge/jni_core.h"
#include "jbridge/proxy/java_sql.h"
#include "jdbc/jsql_api.h"
#include "object/call_exception.h"
#include "tests/jdbc/session_env.h"
#include "tests/support/scratch.h"
#ifdef QZ_JDBC_WITH_PG
#include "tests/support/pg_server.h"
#endif

namespace qz::jdbc {
namespace {

namespace sql = jbridge::proxy::java::sql;
using namespace qztest::jdbc;  // the folders and jdbc.cfg writers of the session environment
using Texts = std::vector<std::string>;

constexpr char kHsqldbDriver[] = "org.hsqldb.jdbc.JDBCDriver";
// "Ελληνικά 漢字 😀": 14 UTF-16 units of two-, three- and four-byte characters.
const std::string kNonLatin =
    "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC \xE6\xBC\xA2\xE5\xAD\x97 "
    "\xF0\x9F\x98\x80";

struct Backend {
  const char* name;
  const char* driverClass;
  const char* missingTableState;
  bool upperCase;  // unquoted identifiers fold to upper case
};
const Backend kHsqldb{"hsqldb", kHsqldbDriver, "42501", true};
const Backend kPostgres{"postgresql", "org.postgresql.Driver", "42P01", false};

struct Cell {
  std::string text;
  int32_t length;
  bool operator==(const Cell&) const = default;
};
void PrintTo(const Cell& c, std::ostream* os) {
  *os << '"' << c.text << "\" " << c.length;
}

// A session base: set-up steps, updates and column reads; what it opened is closed at its end.
class SessionBase {
 protected:
  ~SessionBase() {
    api_.JSQLCloseStatement(query_);
    api_.JSQLCloseStatement(statement_);
    api_.JSQLDisconnect(connection_);
  }
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
  bool run(const std::string& text, bool utf8 = false) {
    return api_.JSQLExecQuery(connection_, query_, text.c_str(), rows_, columns_, utf8) == 1;
  }
  // Column `c` of the current row through a buffer of `size` bytes; the text up to its NUL.
  Cell read(int32_t c, int32_t size = 255) {
    std::vector<char> buffer(size + 1, 'X');
    int32_t length = -9;
    EXPECT_EQ(api_.JSQLGetResultSetStringData(rows_, c, 0, buffer.data(), size, &length), 1)
        << api_.lastMessage();
    EXPECT_EQ(buffer[size], 'X') << "written past the size";
    return {std::string(buffer.data(), strnlen(buffer.data(), size)), length};
  }
  // "name length type precision nullable" of column c, its name cut to size; "failed" else.
  std::string describe(int32_t c, int32_t size = 31) {
    char name[32] = {};
    int32_t length = 0, type = 0, display = 0, precision = 0, nullable = 0;
    if (api_.JSQLDescribeColumn(columns_, c, name, size, &length, &type, &display, &precision,
                                &nullable) != 1)
      return "failed";
    return std::string(name, strnlen(name, size)) + " " + std::to_string(length) + " " +
           std::to_string(type) + " " + std::to_string(precision) + " " + std::to_string(nullable);
  }
  // The first column of every row.
  Texts column(const std::string& text, bool utf8 = false, int32_t size = 255) {
    Texts out;
    EXPECT_TRUE(run(text, utf8)) << text << ": " << api_.lastMessage();
    while (!rows_.isNull() && rows_.next()) out.push_back(read(1, size).text);
    return out;
  }

  JSQLApi api_;
  sql::Connection connection_;
  sql::Statement statement_;
  sql::Statement query_;
  sql::ResultSet rows_;
  sql::ResultSetMetaData columns_;
  std::string user_ = "SA";
  std::string password_;
};

// Connected to a database of the test's own.
class JvmSessionTest : public SessionBase, public ::testing::TestWithParam<const Backend*> {
 protected:
  void SetUp() override {
    removeJdbcConfig(userFolder());
    removeJdbcConfig(setupFolder());
    static int counter = 0;
    std::string db = "t" + std::to_string(++counter);
    if (backend().upperCase) {
      url_ = "jdbc:hsqldb:mem:" + db;
    } else {
#ifdef QZ_JDBC_WITH_PG
      QZ_SKIP_WITHOUT_PG();
      qztest::pgServer().createDatabase(db);
      url_ = qztest::pgServer().jdbcUrl(db);
      user_ = qztest::pgServer().user();
      password_ = qztest::pgServer().password();
#else
      GTEST_SKIP() << "built without the PostgreSQL test server";
#endif
    }
    writeJdbcConfig(userFolder(), configBlock("db", url_, backend().driverClass, "srv-" + db));
    connect(api_, connection_);
    if (!connection_.isNull()) metaData_ = connection_.getMetaData();
    update("CREATE TABLE people (id INT PRIMARY KEY, name VARCHAR(100))");
  }
  const Backend& backend() const {
    return *GetParam();
  }
  std::string folded(std::string name) const {
    for (char& c : name) c = backend().upperCase ? std::toupper(c) : std::tolower(c);
    return name;
  }

  sql::DatabaseMetaData metaData_;
  std::string url_;
};

TEST_P(JvmSessionTest, ConnectsAndDescribesTheDatabase) {
  int32_t closed = 7;
  EXPECT_EQ(api_.JSQLIsClosed(connection_, &closed), 1);
  EXPECT_EQ(closed, 0);
  // The driver's texts, whole and cut to the caller's size.
  char text[128], cut[8] = "XXXXXXX";
  ASSERT_EQ(api_.JSQLGetDatabaseProductName(metaData_, text, sizeof text - 1), 1);
  ASSERT_EQ(api_.JSQLGetDatabaseProductName(metaData_, cut, 4), 1);
  EXPECT_EQ(std::string(cut, 4), std::string(text, 4));
  ASSERT_EQ(api_.JSQLGetServerDB("db", text, sizeof text - 1), 1);
  EXPECT_EQ(std::string(text).rfind("srv-", 0), 0u);

  // A second connect of the same session loads the driver again and opens another connection.
  sql::Connection second;
  connect(api_, second);
  EXPECT_FALSE(second.isSameObject(connection_));
  EXPECT_EQ(api_.JSQLDisconnect(second), 1);
}

TEST_P(JvmSessionTest, ColumnValuesArriveInCallerBuffers) {
  update("INSERT INTO people VALUES (1, NULL)");
  update("INSERT INTO people VALUES (2, '')");
  update("INSERT INTO people VALUES (3, 'abcdef')");
  update(
      "INSERT INTO people VALUES (4, '\xCE\x91\xCE\x92\xCE\x93\xCE\x94\xCE\x95\xCE\x96\xCE\x97"
      "\xCE\x98\xCE\x99\xCE\x9A')",
      true);
  update("INSERT INTO people VALUES (5, '\xF0\x9F\x98\x80')", true);
  ASSERT_TRUE(run("SELECT name, id FROM people ORDER BY id"));
  std::vector<Cell> cells;
  while (rows_.next()) cells.push_back(read(1, 7));
  EXPECT_EQ(cells, (std::vector<Cell>{{"", -1},  // SQL NULL
                                      {"", -1},  // the empty text reads like NULL
                                      {"abcdef", 6},
                                      // 20 bytes of Greek: 3 whole letters fit, length counts 10
                                      {"\xCE\x91\xCE\x92\xCE\x93", 10},
                                      {"\xF0\x9F\x98\x80", 2}}));  // UTF-16 units
  ASSERT_TRUE(run("SELECT name, id FROM people WHERE id = 5"));
  ASSERT_TRUE(rows_.next());
  EXPECT_EQ(read(1, 3), (Cell{"", 2})) << "a character that does not fit leaves nothing";
  char buffer[12];
  std::memset(buffer, 'X', sizeof buffer);
  int32_t n = 0;
  ASSERT_TRUE(run("SELECT name, id FROM people WHERE id = 3"));
  ASSERT_TRUE(rows_.next());
  ASSERT_EQ(api_.JSQLGetResultSetStringData(rows_, 1, 0, buffer, 10, &n), 1);
  EXPECT_EQ(std::string(buffer, 11), std::string("abcdef\0\0\0\0X", 11)) << "zero-filled";
  ASSERT_EQ(api_.JSQLGetResultSetIntData(rows_, 2, 0, &n), 1);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(api_.JSQLGetResultSetStringData(rows_, 9, 0, buffer, 10, &n), -1);
  EXPECT_NE(api_.lastMessage(), "") << "a column that does not exist is the driver's error";

  int32_t count = 0;
  ASSERT_EQ(api_.JSQLGetColumnCount(columns_, &count), 1);
  EXPECT_EQ(count, 2);
  // The name cut to 2 bytes, its length before the cut; VARCHAR(100); a primary key's INTEGER
  // takes no NULL.
  EXPECT_EQ(describe(1, 2), folded("na") + " 4 12 100 1");
  const std::string id = describe(2);
  EXPECT_EQ(id.substr(0, 7), folded("id") + " 2 4 ");
  EXPECT_EQ(id.back(), '0');
  EXPECT_EQ(describe(3), "failed");
}

// Tests non-Latin text in literals and in the statement text, with and without the UTF-8 flag.
TEST_P(JvmSessionTest, NonLatinTextRoundTripsByteForByte) {
  const std::string field = "\xE5\x88\x97\xF0\x9F\x98\x80";  // 列😀
  for (bool utf8 : {false, true}) {
    SCOPED_TRACE(utf8 ? "UTF-8" : "default encoding");
    std::string table = "\"\xE5\x90\x8D" + std::to_string(utf8) + "\"";
    update("CREATE TABLE " + table + " (\"" + field + "\" VARCHAR(40))", utf8);
    update("INSERT INTO " + table + " VALUES ('" + kNonLatin + "')", utf8);
    ASSERT_TRUE(run("SELECT \"" + field + "\" FROM " + table, utf8)) << api_.lastMessage();
    ASSERT_TRUE(rows_.next());
    EXPECT_EQ(read(1), (Cell{kNonLatin, 14}));
    EXPECT_EQ(describe(1).substr(0, field.size() + 1), field + " ");
    EXPECT_EQ(
        column("SELECT 1 FROM " + table + " WHERE \"" + field + "\" = '" + kNonLatin + "'", utf8),
        Texts{"1"})
        << "the bound literal equals the stored text";
  }
}

TEST_P(JvmSessionTest, SqlErrorsArriveWithTheDriversStateAndMessage) {
  EXPECT_FALSE(run("SELECT * FROM no_such_table"));
  EXPECT_EQ(api_.lastSqlState(), backend().missingTableState);
  std::string message = api_.lastMessage();
  std::transform(message.begin(), message.end(), message.begin(), ::tolower);
  EXPECT_NE(message.find("no_such_table"), std::string::npos) << message;
  if (backend().upperCase) {
    EXPECT_EQ(api_.lastErrorCode(), -5501);
  }
  qzIUnknown* error = nullptr;
  api_.JSQLReportError("execute", &error);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(qzReadException(error).source, "ZIRUV:execute");
  EXPECT_EQ(qzReadException(error).description, api_.lastMessage());
  error->Release();

  // A long message goes into the error object cut to 1023 bytes. The drivers quote the text.
  std::string longText(1500, 'q');
  EXPECT_FALSE(run(backend().upperCase ? "SELECT * FROM \"" + longText + "\""
                                       : "SELECT CAST('" + longText + "' AS INT)"));
  ASSERT_GT(api_.lastMessage().size(), 1023u);
  api_.JSQLReportError("execute", &error);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(qzReadException(error).description, api_.lastMessage().substr(0, 1023));
  error->Release();
}

// (Commit and rollback are the driver matrix's, through the connection object on every driver.)
TEST_P(JvmSessionTest, AClosedConnectionRefusesWork) {
  EXPECT_EQ(api_.JSQLDisconnect(connection_), 1);
  int32_t closed = 0;
  EXPECT_EQ(api_.JSQLIsClosed(connection_, &closed), 1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(api_.JSQLDisconnect(connection_), 1) << "closing twice does nothing";
  EXPECT_EQ(api_.JSQLCommit(connection_), -1);
  EXPECT_EQ(api_.lastSqlState(), "08003");
  EXPECT_FALSE(run("SELECT 1 FROM people"));
  EXPECT_EQ(api_.lastSqlState(), "08003");
}

TEST_P(JvmSessionTest, CatalogueReadsOfTablesAndCrossReferences) {
  update("CREATE TABLE child (id INT PRIMARY KEY, parent_id INT REFERENCES people(id))");
  std::string parent = folded("people"), child = folded("child");
  auto texts = [&](std::vector<int32_t> columns) {
    Texts out;
    if (rows_.next()) {
      for (int32_t c : columns) out.push_back(read(c, 128).text);
    }
    return out;
  };
  const char* tableType[] = {"TABLE"};
  ASSERT_EQ(api_.JSQLGetTables(metaData_, rows_, nullptr, nullptr, parent.c_str(), tableType, 1), 1)
      << api_.lastMessage();
  EXPECT_EQ(texts({3, 4}), (Texts{parent, "TABLE"}));
  EXPECT_FALSE(rows_.next());
  // No type names is an empty array, not null.
  ASSERT_EQ(api_.JSQLGetTables(metaData_, rows_, nullptr, nullptr, parent.c_str(), tableType, 0), 1)
      << api_.lastMessage();

  // Columns, primary and imported keys are the table information tests'.
  ASSERT_EQ(api_.JSQLGetCrossReference(metaData_, rows_, nullptr, nullptr, parent.c_str(), nullptr,
                                       nullptr, child.c_str()),
            1);
  EXPECT_EQ(texts({3, 7}), (Texts{parent, child}));
  EXPECT_EQ(api_.JSQLCloseResultSet(rows_), 1);
}

TEST_P(JvmSessionTest, ScrollableResultsUpdateRows) {
  update("INSERT INTO people VALUES (1, 'one')");
  update("INSERT INTO people VALUES (2, 'two')");
  api_.SetResultSetOptions(1004, 1008);  // scroll-insensitive, updatable
  ASSERT_TRUE(run("SELECT id, name FROM people")) << api_.lastMessage();
  api_.SetResultSetOptions(1003, 1007);
  EXPECT_EQ(api_.JSQLUpdateStringData(rows_, 1, 2, 0, "uno"), 1) << api_.lastMessage();
  EXPECT_EQ(api_.JSQLUpdateStringData(rows_, 2, 2, 0, nullptr), 1) << api_.lastMessage();
  EXPECT_EQ(column("SELECT name FROM people ORDER BY id"), (Texts{"uno", ""}));
  // Forward-only and read-only again: the driver refuses.
  ASSERT_TRUE(run("SELECT id, name FROM people"));
  EXPECT_EQ(api_.JSQLUpdateStringData(rows_, 1, 2, 0, "x"), -1);
  EXPECT_NE(api_.lastMessage(), "");
}

// Tests that a statement replaced by the next one is closed, so that long loops leak nothing.
TEST_P(JvmSessionTest, ReplacedStatementsAreClosed) {
  update("INSERT INTO people VALUES (1, 'one')");
  ASSERT_TRUE(run("SELECT name FROM people"));
  sql::Statement previous = query_;
  ASSERT_TRUE(run("SELECT id FROM people"));
  EXPECT_THROW(previous.getMaxRows(), sql::SQLException);
  previous = statement_;
  update("UPDATE people SET name = 'y'");
  EXPECT_THROW(previous.getMaxRows(), sql::SQLException);
  previous = sql::Statement();

  long before = jbridge::JNIHelper::liveGlobalRefs();
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(run("SELECT name FROM people WHERE name <> 'z'")) << api_.lastMessage();
    ASSERT_EQ(update("UPDATE people SET id = 1 WHERE id = 1"), 1);
  }
  EXPECT_EQ(jbridge::JNIHelper::liveGlobalRefs(), before);
}

// A kept statement found closed is replaced under the caller's lock, the one a canceller on
// another thread holds while it reads the statement: never deleted under it.
TEST_P(JvmSessionTest, AClosedKeptStatementIsReplacedUnderTheLock) {
  KeptStatement kept;
  const auto insert = [&](int id, std::mutex* lock) {
    const std::string text = "INSERT INTO people VALUES ('" + std::to_string(id) + "', 'n')";
    int32_t count = 0;
    return api_.JSQLExecUpdate(connection_, statement_, text.c_str(), &count, false, false, &kept,
                               nullptr, lock);
  };
  std::mutex lock;
  ASSERT_EQ(insert(1, &lock), 1) << api_.lastMessage();
  ASSERT_FALSE(kept.split.statement.empty());
  statement_.close();
  std::unique_lock<std::mutex> canceller(lock);
  auto run = std::async(std::launch::async, [&] { return insert(2, &lock); });
  EXPECT_EQ(run.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
      << "replaced without the lock";
  canceller.unlock();
  EXPECT_EQ(run.get(), 1) << api_.lastMessage();
  EXPECT_EQ(column("SELECT id FROM people ORDER BY id"), (Texts{"1", "2"}));
}

TEST_P(JvmSessionTest, DriverAndConfigurationFailures) {
  // A NUL would cut the name (or the URL, naming another database) on its way into Java.
  writeJdbcConfig(userFolder(),
                  configBlock("nodriver", url_, "org.example.NoSuchDriver") +
                      "[emptydriver]\nDriverClass =\n\n" + configBlock("nodriveritem", url_, "") +
                      configBlock("nul", url_, std::string("org.h\0sqldb", 11)) +
                      configBlock("nourl", "", backend().driverClass) +
                      configBlock("nulurl", url_ + std::string("\0x", 2), backend().driverClass));
  const struct {
    const char* dataSource;
    const char* message;
  } refused[] = {
      {"nosuch", "RegisterDBDriver: Error in jdbc.cfg"},
      {"nodriver", "java.lang.ClassNotFoundException: org.example.NoSuchDriver"},
      {"emptydriver", "RegisterDBDriver: DriverClass not found in jdbc.cfg"},
      {"nodriveritem", "RegisterDBDriver: Error in jdbc.cfg"},
      {"nul", "RegisterDBDriver: DriverClass in jdbc.cfg holds a NUL byte"},
  };
  for (const auto& row : refused) {
    EXPECT_EQ(api_.RegisterDBDriver(row.dataSource), -1) << row.dataSource;
    EXPECT_EQ(api_.lastMessage(), row.message) << row.dataSource;
  }

  // No URL: the empty one goes to DriverManager, which finds no driver for it.
  sql::Connection connection;
  EXPECT_EQ(api_.RegisterDBDriver("nourl"), 1);
  EXPECT_EQ(api_.JSQLConnect(connection, "nourl", user_.c_str(), password_.c_str()), -1);
  EXPECT_EQ(api_.lastSqlState(), "08001");
  EXPECT_TRUE(connection.isNull());
  EXPECT_EQ(api_.JSQLConnect(connection, "nulurl", user_.c_str(), password_.c_str()), -1);
  EXPECT_EQ(api_.lastMessage(), "JSQLConnect: URL in jdbc.cfg holds a NUL byte");
}

INSTANTIATE_TEST_SUITE_P(Drivers, JvmSessionTest, ::testing::Values(&kHsqldb, &kPostgres),
                         [](const auto& info) { return std::string(info.param->name); });

// HSQLDB only: U+0000, and a locale that cannot hold the text.
class HsqldbTest : public SessionBase, public ::testing::Test {
 protected:
  void SetUp() override { removeJdbcConfig(setupFolder()); }
  void open(const std::string& url) {
    writeJdbcConfig(userFolder(), configBlock("db", url, kHsqldbDriver));
    connect(api_, connection_);
  }
};

TEST_F(HsqldbTest, NulIsNeverModifiedUtf8AndUnconvertableTextStaysUtf8) {
  // Under the C locale nothing beyond ASCII converts: such text keeps its UTF-8 bytes.
  {
    qztest::EnvVar locale("LC_ALL", "C");
    EXPECT_EQ(api_.CreateOrGetJVM(), 1);
    EXPECT_EQ(api_.initCharsetConverter(), 1);
  }
  open("jdbc:hsqldb:mem:ascii");
  update("CREATE TABLE a (s VARCHAR(40))");
  update("INSERT INTO a VALUES ('" + kNonLatin + "')", true);
  update("INSERT INTO a VALUES ('plain text')", true);
  EXPECT_EQ(column("SELECT s FROM a ORDER BY s DESC"), (Texts{kNonLatin, "plain text"}));
  EXPECT_EQ(column("SELECT s FROM a ORDER BY s DESC", false, 5),
            (Texts{"\xCE\x95\xCE\xBB", "plain"}));

  // U+0000 arrives as the byte 0, never as C0 80; the converter stops there.
  ASSERT_TRUE(run("SELECT s || CHAR(0) || s FROM a WHERE s = 'plain text'"));
  ASSERT_TRUE(rows_.next());
  char buffer[24];
  int32_t length = 0;
  ASSERT_EQ(api_.JSQLGetResultSetStringData(rows_, 1, 0, buffer, sizeof buffer, &length), 1);
  EXPECT_EQ(std::string(buffer, 11), std::string("plain text\0", 11));
  EXPECT_EQ(length, 21);
}

}  // namespace
}  // namespace qz::jdbc

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new qztest::jdbc::SessionEnvironment);
  return RUN_ALL_TESTS();
}
