// Once the VM can no longer be attached (the module is unloading), every operation fails with
// a message instead of reaching a VM that is gone. Its own binary: the shutdown is for good.
#include <gtest/gtest.h>

#include <string>

#include "jbridge/jni_core.h"
#include "jbridge/proxy/java_sql.h"
#include "jdbc/jsql_api.h"
#include "tests/jdbc/session_env.h"

namespace qz::jdbc {
namespace {

namespace sql = jbridge::proxy::java::sql;

TEST(VmShutdown, OperationsFailWithAMessageAndNothingCrashes) {
  qztest::jdbc::writeJdbcConfig(
      qztest::jdbc::userFolder(),
      qztest::jdbc::configBlock("db", "jdbc:hsqldb:mem:gone", "org.hsqldb.jdbc.JDBCDriver"));
  JSQLApi api;
  sql::Connection connection;
  sql::Statement statement;
  sql::ResultSet resultSet;
  sql::ResultSetMetaData columns;
  ASSERT_EQ(api.CreateOrGetJVM(), 1) << api.lastMessage();
  ASSERT_EQ(api.RegisterDBDriver("db"), 1) << api.lastMessage();
  ASSERT_EQ(api.JSQLConnect(connection, "db", "SA", ""), 1) << api.lastMessage();
  ASSERT_EQ(api.JSQLExecQuery(connection, statement, "VALUES (1)", resultSet, columns, false), 1)
      << api.lastMessage();
  sql::Statement kept = statement;

  jbridge::markVmShutdown();
  const std::string gone = "The VM has already been shutdown.";
  EXPECT_EQ(api.JSQLExecQuery(connection, statement, "VALUES (2)", resultSet, columns, false), -1);
  EXPECT_EQ(api.lastMessage(), gone);
  EXPECT_TRUE(statement.isNull()) << "the replaced statement is dropped";
  int32_t n = 0;
  EXPECT_EQ(api.JSQLExecUpdate(connection, statement, "DELETE FROM t", &n, false), -1);
  EXPECT_EQ(api.lastMessage(), "Unknown Exception");
  char buffer[16];
  EXPECT_EQ(api.JSQLGetResultSetStringData(resultSet, 1, 0, buffer, 15, &n), -1);
  EXPECT_EQ(api.lastMessage(), "Unknown exception in JSQLApi::JSQLGetResultSetStringData");
  EXPECT_EQ(api.JSQLGetColumnCount(columns, &n), -1);
  EXPECT_EQ(api.lastMessage(), gone);
  EXPECT_EQ(api.JSQLCommit(connection), -1);
  EXPECT_EQ(api.RegisterDBDriver("db"), -1);
  EXPECT_EQ(api.lastMessage(), gone);
  sql::Connection other;
  EXPECT_EQ(api.JSQLConnect(other, "db", "SA", ""), -1);
  EXPECT_EQ(api.JSQLCloseStatement(kept), -1);
  EXPECT_EQ(api.JSQLDisconnect(connection), -1);
  EXPECT_EQ(api.lastMessage(), gone);
  // The proxies going out of scope now delete nothing and do not crash either.
}

}  // namespace
}  // namespace qz::jdbc
