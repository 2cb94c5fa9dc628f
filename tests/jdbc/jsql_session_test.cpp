// The session layer without a Java VM: jdbc.cfg lookup, the last error and its reports, the
// set-up steps that fail before Java, calls through empty proxies, and a read value put into
// a column buffer.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "jbridge/proxy/java_sql.h"
#include "jdbc/jsql_api.h"
#include "object/call_exception.h"
#include "tests/jdbc/session_env.h"

namespace qz::jdbc {
namespace {

namespace sql = jbridge::proxy::java::sql;
using namespace qztest::jdbc;  // the folders and jdbc.cfg writers of the session environment

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    removeJdbcConfig(userFolder());
    removeJdbcConfig(setupFolder());
  }
  void TearDown() override {
    qztest::jdbc::startEngine();
    setenv("KESTRAN_USER", userFolder().c_str(), 1);
  }
  // The data source's ServerDB; "garbage" when nothing was copied.
  std::string serverDb(const char* dataSource, int32_t* result = nullptr) {
    char buffer[64] = "garbage";
    int32_t r = api_.JSQLGetServerDB(dataSource, buffer, sizeof buffer - 1);
    if (result) *result = r;
    return buffer;
  }

  JSQLApi api_;
};

TEST_F(SessionTest, JdbcConfigIsLookedForInTheUserThenTheSetupFolder) {
  int32_t r = 0;
  EXPECT_EQ(serverDb("db", &r), "garbage");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(api_.lastMessage(), "Can not resolve $KESTRAN_SETUP\\jdbc.cfg");

  writeJdbcConfig(setupFolder(), configBlock("db", "jdbc:x:setup", "x.Driver", "setup-db"));
  EXPECT_EQ(serverDb("db", &r), "setup-db");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(api_.lastMessage(), "Can not resolve $KESTRAN_USER\\jdbc.cfg")
      << "the failed first try stays recorded";
  EXPECT_EQ(api_.lastErrorCode(), 0);
  EXPECT_EQ(api_.lastSqlState(), "");

  // The user file is used alone, even when its block lacks the item.
  writeJdbcConfig(userFolder(), configBlock("db", "jdbc:x:user", "x.Driver"));
  EXPECT_EQ(serverDb("db", &r), "");
  EXPECT_EQ(r, 1);
  writeJdbcConfig(userFolder(), configBlock("DB", "", "", "\xCE\xB1\xCE\xB2\xCE\xB3"));
  EXPECT_EQ(serverDb("db"), "\xCE\xB1\xCE\xB2\xCE\xB3") << "block names ignore case";
  char cut[8] = "XXXXXXX";
  EXPECT_EQ(api_.JSQLGetServerDB("db", cut, 5), 1);
  EXPECT_EQ(std::string(cut, 6), std::string("\xCE\xB1\xCE\xB2\0X", 6));
}

// A FIFO neither blocks nor passes over to the setup folder's file: refused, naming the path.
// (A byte-order mark, and a folder in the file's place, are the configuration reader's.)
TEST_F(SessionTest, JdbcConfigThatIsNotAFileIsRefused) {
  writeJdbcConfig(setupFolder(), configBlock("mem", "jdbc:x", "x.Driver", "setup"));
  const std::string path = userFolder() + "/jdbc.cfg";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  int32_t r = 0;
  EXPECT_EQ(serverDb("mem", &r), "garbage");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(api_.lastMessage(), path +
                                    " ($KESTRAN_USER\\jdbc.cfg) is not a regular file: jdbc.cfg "
                                    "must be a plain file");
  removeJdbcConfig(userFolder());
}

TEST_F(SessionTest, AnInstallationPathThatExpandsTooLongIsRefusedSayingSo) {
  writeJdbcConfig(setupFolder(), configBlock("db", "jdbc:x", "x.Driver", "setup"));
  std::string many;
  for (int i = 0; i < 200; ++i) many += "$(QZT_HUGE)";
  setenv("QZT_HUGE", std::string(64 * 1024, 'h').c_str(), 1);
  setenv("KESTRAN_USER", many.c_str(), 1);
  int32_t r = 0;
  EXPECT_EQ(serverDb("db", &r), "garbage");
  EXPECT_EQ(r, -1) << "not passed over to the setup folder";
  EXPECT_EQ(api_.lastMessage(),
            "$KESTRAN_USER\\jdbc.cfg: the expansion of "
            "\"$KESTRAN_USER\\jdbc.cfg\" is longer than 1048576 bytes");
  setenv("KESTRAN_USER", userFolder().c_str(), 1);
  unsetenv("QZT_HUGE");
  EXPECT_EQ(serverDb("db"), "setup");
}

TEST(DriverTimeoutsTest, OnlyPostgresqlUrlsGetTheDriversOwnTimeouts) {
  EXPECT_EQ(withDriverTimeouts("jdbc:postgresql://h/db", 5),
            "jdbc:postgresql://h/db?loginTimeout=5&connectTimeout=5");
  EXPECT_EQ(withDriverTimeouts("JDBC:PostgreSQL://h/db?stringtype=unspecified", 2),
            "JDBC:PostgreSQL://h/db?stringtype=unspecified&loginTimeout=2&connectTimeout=2");
  EXPECT_EQ(withDriverTimeouts("jdbc:postgresql://h/db?LoginTimeout=9", 2),
            "jdbc:postgresql://h/db?LoginTimeout=9&connectTimeout=2")
      << "what the URL names wins";
  EXPECT_EQ(withDriverTimeouts("jdbc:postgresql://h/db?xloginTimeout=9", 2),
            "jdbc:postgresql://h/db?xloginTimeout=9&loginTimeout=2&connectTimeout=2");
  EXPECT_EQ(withDriverTimeouts("jdbc:postgresql://h/db", 0), "jdbc:postgresql://h/db");
  EXPECT_EQ(withDriverTimeouts("jdbc:hsqldb:mem:x", 5), "jdbc:hsqldb:mem:x");
}

TEST_F(SessionTest, BackslashesInInstallationPathsAreFolderSeparators) {
  // "/tmp/.../root\user" names the user folder once "\" is a separator.
  std::string user = userFolder();
  setenv("KESTRAN_USER", (user.substr(0, user.rfind('/')) + "\\user").c_str(), 1);
  writeJdbcConfig(user, configBlock("db", "", "", "found"));
  EXPECT_EQ(serverDb("db"), "found");
  // Without the environment component our own expansion gives the same path.
  qztest::jdbc::stopEngine();
  EXPECT_EQ(serverDb("db"), "found");
}

// (What misbehaving companions make of the set-up steps is the companion tests'.)
TEST_F(SessionTest, StepsThatNeedAVmFailCleanlyWithoutOne) {
  EXPECT_EQ(api_.RegisterDBDriver("db"), -1);
  EXPECT_EQ(api_.lastMessage(), "Can not register JDBC-driver. No JVM avalaible.");
  EXPECT_EQ(api_.JSQLSetLoginTimeout(5), -1) << "no VM to call";
  EXPECT_NE(api_.lastMessage(), "");
  qztest::jdbc::stopEngine();  // no host engine at all to create companions through
  EXPECT_EQ(api_.CreateOrGetJVM(), -1);
  EXPECT_EQ(api_.initCharsetConverter(), -1);
}

TEST_F(SessionTest, ErrorReportsCarryTheContextAndTheLastMessage) {
  writeJdbcConfig(setupFolder(), configBlock("db", "", "", "x"));
  serverDb("db");                                // leaves "Can not resolve $KESTRAN_USER\jdbc.cfg"
  api_.JSQLReportError("DSN Connect", nullptr);  // nothing to create

  qzIUnknown* error = nullptr;
  api_.JSQLReportError("DSN Connect", &error);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(qzReadException(error).source, "ZIRUV:DSN Connect");
  EXPECT_EQ(qzReadException(error).description, "Can not resolve $KESTRAN_USER\\jdbc.cfg");
  EXPECT_EQ(error->Release(), 0) << "the caller holds the only reference";
  api_.JSQLReportMessage("TABLEINFO:TABLEINFO", "Ambiguous tablename supplied", &error);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(qzReadException(error).source, "ZIRUV:TABLEINFO:TABLEINFO");
  EXPECT_EQ(qzReadException(error).description, "Ambiguous tablename supplied");
  error->Release();

  int32_t code = 7;
  char state[6] = "XXXXX";
  char message[12];
  api_.JSQLGetLastError(&code, state, sizeof state, message, sizeof message - 1);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(state[0], '\0');
  EXPECT_STREQ(message, "Can not res");
}

// Tests that nothing reaches Java through a proxy that holds no object.
TEST_F(SessionTest, CallsThroughEmptyProxiesFailWithAMessage) {
  sql::Connection connection;
  sql::Statement statement;
  sql::ResultSet resultSet;
  sql::ResultSetMetaData columns;
  sql::DatabaseMetaData database;
  int32_t n = 5;
  char buffer[16];
  const char* types[] = {"TABLE"};
  auto fails = [&](int32_t result, const char* operation) {
    EXPECT_EQ(result, -1) << operation;
    EXPECT_EQ(api_.lastMessage().rfind(operation, 0), 0u) << api_.lastMessage();
  };
  fails(api_.JSQLCommit(connection), "JSQLCommit");
  fails(api_.JSQLIsClosed(connection, &n), "JSQLIsClosed");
  fails(api_.JSQLExecQuery(connection, statement, "SELECT 1", resultSet, columns, false),
        "JSQLExecQuery");
  fails(api_.JSQLExecUpdate(connection, statement, "DELETE FROM t", &n, true), "JSQLExecUpdate");
  EXPECT_EQ(n, 0) << "a failed update counts nothing";
  fails(api_.JSQLGetColumnCount(columns, &n), "JSQLGetColumnCount");
  fails(api_.JSQLGetResultSetStringData(resultSet, 1, 0, buffer, 15, &n),
        "JSQLGetResultSetStringData");
  fails(api_.JSQLGetDatabaseProductName(database, buffer, 15), "JSQLGetDatabaseProductName");
  fails(api_.JSQLGetTables(database, resultSet, nullptr, nullptr, "T", types, 1), "JSQLGetTables");
  // Closing nothing is done at once.
  EXPECT_EQ(api_.JSQLCloseStatement(statement), 1);
  EXPECT_EQ(api_.JSQLCloseResultSet(resultSet), 1);
  EXPECT_EQ(api_.JSQLDisconnect(connection), 1);
}

// A row's value put over the last one in a buffer of 8 bytes and its terminator: what the
// buffer holds after, the indicator, the cut flag and the bytes that may be non-zero.
TEST_F(SessionTest, ColumnTextIsPutOverTheLastValue) {
  char buffer[9] = {};
  int32_t dirty = 0;
  const auto put = [&](const std::string& bytes, int32_t chars, int32_t flag = 0) {
    int32_t length = 99, written = 99;
    bool cut = true;
    EXPECT_EQ(api_.JSQLPutColumnText(bytes.data(), static_cast<int32_t>(bytes.size()), chars, flag,
                                     buffer, 8, dirty, &length, &cut, &written),
              JSQLApi::kOk);
    EXPECT_EQ(buffer[8], '\0');
    for (int32_t i = written; i < 8; ++i) EXPECT_EQ(buffer[i], '\0') << "byte " << i;
    dirty = written;
    return std::string(buffer, static_cast<size_t>(written)) + "|" + std::to_string(length) +
           (cut ? "|cut" : "");
  };
  EXPECT_EQ(put("abcdefgh", 8), "abcdefgh|8") << "exactly the capacity";
  EXPECT_EQ(put("xy", 2), "xy|2") << "the longer value before is zeroed";
  EXPECT_EQ(put("\xC3\xBC", 1), "\xC3\xBC|1") << "the indicator counts Java chars";
  EXPECT_EQ(put("123456789", 9), "12345678|9|cut");
  EXPECT_EQ(put("abcdefg\xC3\xBC", 8), "abcdefg|8|cut") << "cut at a whole character";
  EXPECT_EQ(put("", -1), "|-1") << "NULL";
  EXPECT_EQ(put("abc", 3), "abc|3");
  EXPECT_EQ(put("", 0), "|-1") << "the empty text reads as NULL";
  EXPECT_EQ(put("abc", 3), "abc|3");
  EXPECT_EQ(put("", 0, JSQLApi::kKeepEmpty), "|0") << "unless it is kept";
}

}  // namespace
}  // namespace qz::jdbc
