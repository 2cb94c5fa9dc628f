// The session layer without a Java VM: jdbc.cfg lookup, the last error and its reports, the
// set-up steps that fail before Java, and calls through empty proxies.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "jbridge/proxy/java_sql.h"
#include "jdbc/jsql_api.h"
#include "object/call_exception.h"
#include "tests/jdbc/session_env.h"

namespace qz::jdbc {
namespace {

namespace sql = jbridge::proxy::java::sql;
using qztest::jdbc::configBlock;
using qztest::jdbc::removeJdbcConfig;
using qztest::jdbc::setupFolder;
using qztest::jdbc::userFolder;
using qztest::jdbc::writeJdbcConfig;

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

  std::string serverDb(const char* dataSource, int32_t* result = nullptr) {
    char buffer[64] = "garbage";
    int32_t r = api_.JSQLGetServerDB(dataSource, buffer, sizeof buffer - 1);
    if (result) *result = r;
    return buffer;
  }

  JSQLApi api_;
};

TEST_F(SessionTest, DefaultsAreForwardOnlyReadOnlyAndNoError) {
  int32_t type = 0, concurrency = 0;
  api_.GetResultSetOptions(&type, &concurrency);
  EXPECT_EQ(type, 1003);
  EXPECT_EQ(concurrency, 1007);
  api_.SetResultSetOptions(1004, 1008);
  api_.GetResultSetOptions(&type, &concurrency);
  EXPECT_EQ(type, 1004);
  EXPECT_EQ(concurrency, 1008);
  EXPECT_EQ(api_.lastErrorCode(), 0);
  EXPECT_EQ(api_.lastMessage(), "");
  EXPECT_FALSE(api_.jvmReady());
}

// Tests that the user file wins, the setup file is the fallback and neither is an error.
TEST_F(SessionTest, JdbcConfigIsLookedForInTheUserThenTheSetupFolder) {
  int32_t r = 0;
  EXPECT_EQ(serverDb("db", &r), "garbage") << "a failure leaves the buffer alone";
  EXPECT_EQ(r, -1);
  EXPECT_EQ(api_.lastMessage(), "Can not resolve $KESTRAN_SETUP\\jdbc.cfg");
  EXPECT_EQ(api_.lastErrorCode(), 0);
  EXPECT_EQ(api_.lastSqlState(), "");

  writeJdbcConfig(setupFolder(), configBlock("db", "jdbc:x:setup", "x.Driver", "setup-db"));
  EXPECT_EQ(serverDb("db", &r), "setup-db");
  EXPECT_EQ(r, 1);
  EXPECT_EQ(api_.lastMessage(), "Can not resolve $KESTRAN_USER\\jdbc.cfg")
      << "the failed first try stays recorded";

  // The user file is used alone, even when its block lacks the item.
  writeJdbcConfig(userFolder(), configBlock("db", "jdbc:x:user", "x.Driver"));
  EXPECT_EQ(serverDb("db", &r), "");
  EXPECT_EQ(r, 1);
  writeJdbcConfig(userFolder(), configBlock("other", "", "", "o") + configBlock("DB", "", "", "u"));
  EXPECT_EQ(serverDb("db"), "u") << "block names ignore case";
  EXPECT_EQ(serverDb("missing", &r), "");
  EXPECT_EQ(r, 1);
}

TEST_F(SessionTest, BackslashesInInstallationPathsAreFolderSeparators) {
  // "/tmp/.../root\user" names the user folder once "\" is a separator.
  std::string user = userFolder();
  std::string withBackslash = user.substr(0, user.rfind('/')) + "\\user";
  setenv("KESTRAN_USER", withBackslash.c_str(), 1);
  writeJdbcConfig(user, configBlock("db", "", "", "found"));
  EXPECT_EQ(serverDb("db"), "found");

  // Without the environment component the library's own expansion gives the same path.
  qztest::jdbc::stopEngine();
  EXPECT_EQ(serverDb("db"), "found");
}

TEST_F(SessionTest, ServerDbIsCutToTheBuffer) {
  writeJdbcConfig(userFolder(), configBlock("db", "", "", "\xCE\xB1\xCE\xB2\xCE\xB3"));
  char buffer[8];
  memset(buffer, 'X', sizeof buffer);
  EXPECT_EQ(api_.JSQLGetServerDB("db", buffer, 5), 1);
  EXPECT_EQ(std::string(buffer, 6), std::string("\xCE\xB1\xCE\xB2\0X", 6));
}

TEST_F(SessionTest, SetUpStepsFailCleanlyWithoutHostOrVm) {
  EXPECT_EQ(api_.RegisterDBDriver("db"), -1);
  EXPECT_EQ(api_.lastMessage(), "Can not register JDBC-driver. No JVM avalaible.");

  qztest::jdbc::stopEngine();
  EXPECT_EQ(api_.CreateOrGetJVM(), -1);
  EXPECT_EQ(api_.lastMessage(), "qzComCreateObject: zeltools.jvm");
  EXPECT_FALSE(api_.jvmReady());
  EXPECT_EQ(api_.initCharsetConverter(), -1);
  EXPECT_EQ(api_.lastMessage(),
            "JSQLApi::initCharsetConverter: Create object ZELTOOLS.CHARSETCONVERT failed");
  EXPECT_FALSE(api_.fromUtf8Ready());

  qztest::jdbc::startEngine();
  EXPECT_EQ(api_.initCharsetConverter(), 1);
  EXPECT_TRUE(api_.fromUtf8Ready());
  EXPECT_TRUE(api_.toUtf8Ready());
  EXPECT_EQ(api_.initCharsetConverter(), 1);
}

TEST_F(SessionTest, ErrorReportsCarryTheContextAndTheLastMessage) {
  writeJdbcConfig(setupFolder(), configBlock("db", "", "", "x"));
  serverDb("db");  // leaves "Can not resolve $KESTRAN_USER\jdbc.cfg"

  api_.JSQLReportError("DSN Connect", nullptr);  // nothing to create, nothing to crash

  qzIUnknown* error = nullptr;
  api_.JSQLReportError("DSN Connect", &error);
  ASSERT_NE(error, nullptr);
  qzExceptionTexts texts = qzReadException(error);
  EXPECT_EQ(texts.source, "ZIRUV:DSN Connect");
  EXPECT_EQ(texts.description, "Can not resolve $KESTRAN_USER\\jdbc.cfg");
  EXPECT_EQ(error->Release(), 0) << "the caller holds the only reference";

  error = nullptr;
  api_.JSQLReportMessage("TABLEINFO:TABLEINFO", "Ambiguous tablename supplied", &error);
  ASSERT_NE(error, nullptr);
  texts = qzReadException(error);
  EXPECT_EQ(texts.source, "ZIRUV:TABLEINFO:TABLEINFO");
  EXPECT_EQ(texts.description, "Ambiguous tablename supplied");
  error->Release();

  int32_t code = 7;
  char state[6];
  char message[12];
  api_.JSQLGetLastError(&code, state, sizeof state, message, sizeof message - 1);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(state[0], '\0');
  EXPECT_STREQ(message, "Can not res");
  api_.JSQLGetLastError(nullptr, nullptr, 0, nullptr, 0);
}

// Tests that nothing reaches Java through a proxy that holds no object.
TEST_F(SessionTest, CallsThroughEmptyProxiesFailWithAMessage) {
  sql::Connection connection;
  sql::PreparedStatement statement;
  sql::Statement plain;
  sql::ResultSet resultSet;
  sql::ResultSetMetaData columns;
  sql::DatabaseMetaData database;
  int32_t n = 5;
  bool flag = true;
  char buffer[16];

  auto fails = [&](int32_t result, const char* operation) {
    EXPECT_EQ(result, -1) << operation;
    EXPECT_EQ(api_.lastMessage().rfind(operation, 0), 0u) << api_.lastMessage();
    EXPECT_EQ(api_.lastErrorCode(), 0);
  };
  fails(api_.JSQLCommit(connection), "JSQLCommit");
  fails(api_.JSQLRollback(connection), "JSQLRollback");
  fails(api_.JSQLIsClosed(connection, &n), "JSQLIsClosed");
  fails(api_.JSQLSetAutoCommit(connection, false), "JSQLSetAutoCommit");
  fails(api_.JSQLGetAutoCommit(connection, &flag), "JSQLGetAutoCommit");
  fails(api_.JSQLCreateStatement(connection, plain, 1003, 1007), "JSQLCreateStatement");
  fails(api_.JSQLExecQuery(connection, statement, "SELECT 1", resultSet, columns, false),
        "JSQLExecQuery");
  fails(api_.JSQLExecUpdate(connection, statement, "DELETE FROM t", &n, true), "JSQLExecUpdate");
  EXPECT_EQ(n, 0) << "a failed update counts nothing";
  fails(api_.JSQLGetColumnCount(columns, &n), "JSQLGetColumnCount");
  fails(api_.JSQLDescribeColumn(columns, 1, buffer, 15, &n, &n, &n, &n, &n), "JSQLDescribeColumn");
  fails(api_.JSQLGetResultSetStringData(resultSet, 1, 0, buffer, 15, &n),
        "JSQLGetResultSetStringData");
  fails(api_.JSQLGetResultSetIntData(resultSet, 1, 0, &n), "JSQLGetResultSetIntData");
  fails(api_.JSQLUpdateStringData(resultSet, 1, 1, 0, "x"), "JSQLUpdateStringData");
  fails(api_.JSQLGetDatabaseProductName(database, buffer, 15), "JSQLGetDatabaseProductName");
  fails(api_.JSQLGetDatabaseProductVersion(database, buffer, 15), "JSQLGetDatabaseProductVersion");
  fails(api_.JSQLGetDriverName(database, buffer, 15), "JSQLGetDriverName");
  fails(api_.JSQLGetDriverVersion(database, buffer, 15), "JSQLGetDriverVersion");
  const char* types[] = {"TABLE"};
  fails(api_.JSQLGetTables(database, resultSet, nullptr, nullptr, "T", types, 1), "JSQLGetTables");
  fails(api_.JSQLGetColumns(database, resultSet, nullptr, nullptr, "T", nullptr), "JSQLGetColumns");
  fails(api_.JSQLGetPrimaryKeys(database, resultSet, nullptr, nullptr, "T"), "JSQLGetPrimaryKeys");
  fails(api_.JSQLGetImportedKeys(database, resultSet, nullptr, nullptr, "T"),
        "JSQLGetImportedKeys");
  fails(
      api_.JSQLGetCrossReference(database, resultSet, nullptr, nullptr, "A", nullptr, nullptr, "B"),
      "JSQLGetCrossReference");

  // Closing nothing is done at once.
  EXPECT_EQ(api_.JSQLCloseStatement(statement), 1);
  EXPECT_EQ(api_.JSQLCloseStatement(plain), 1);
  EXPECT_EQ(api_.JSQLCloseResultSet(resultSet), 1);
  EXPECT_EQ(api_.JSQLDisconnect(connection), 1);
}

TEST_F(SessionTest, JavaCallsWithoutAVmFailWithAMessage) {
  EXPECT_EQ(api_.JSQLSetLoginTimeout(5), -1);
  EXPECT_NE(api_.lastMessage(), "");
  int32_t seconds = 42;
  EXPECT_EQ(api_.JSQLGetLoginTimeout(&seconds), -1);
  EXPECT_EQ(seconds, 42);
}

}  // namespace
}  // namespace qz::jdbc

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new qztest::jdbc::SessionEnvironment);
  return RUN_ALL_TESTS();
}
