// Tests of the java.sql proxies against the real HSQLDB driver, in memory.
#include <gtest/gtest.h>

#include "jbridge/proxy/java_sql.h"
#include "tests/jbridge/jvm_env.h"

namespace jbridge {
namespace {

using proxy::types::JInt;
namespace lang = proxy::java::lang;
namespace sql = proxy::java::sql;

class JdbcTest : public testing::HsqldbTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(connect("jbridge"));
    update("DROP TABLE PEOPLE IF EXISTS");
    update("CREATE TABLE PEOPLE (ID INTEGER PRIMARY KEY, NAME VARCHAR(40), NICK VARCHAR(20))");
    insert(1, "Ada", "countess");
    insert(2, "Brian", nullptr);
  }

  JInt update(const char* text) {
    sql::PreparedStatement statement = connection_.prepareStatement(lang::String(text));
    JInt count = statement.executeUpdate();
    statement.close();
    return count;
  }

  void insert(int id, const char* name, const char* nick) {
    sql::PreparedStatement statement =
        connection_.prepareStatement(lang::String("INSERT INTO PEOPLE VALUES (?, ?, ?)"));
    statement.setInt(1, id);
    statement.setString(2, lang::String(name));
    statement.setString(3, lang::String(nick));  // a null text is a Java null
    EXPECT_EQ(statement.executeUpdate(), 1);
    statement.close();
  }
};

// Static fields read by their declared type, inherited ones through the declaring proxy.
TEST_F(JdbcTest, ConstantsComeFromTheVm) {
  EXPECT_EQ(sql::ResultSet::TYPE_FORWARD_ONLY(), 1003);
  EXPECT_EQ(sql::PreparedStatement::RETURN_GENERATED_KEYS(), 1);
  EXPECT_EQ(sql::DatabaseMetaData::tableIndexOther(), 3);  // a short constant
}

// What the proxies add to the driver's calls: Java nulls both ways. (Each member's name and
// signature are checked against the VM by the core test, exceptions by the core and reference
// tests; what the driver answers is the driver's.)
TEST_F(JdbcTest, NullsCrossTheProxiesBothWays) {
  sql::PreparedStatement statement = connection_.prepareStatement(
      lang::String("SELECT NAME, NICK FROM PEOPLE WHERE ID >= ? ORDER BY ID"),
      sql::ResultSet::TYPE_FORWARD_ONLY(), sql::ResultSet::CONCUR_READ_ONLY());
  statement.setInt(1, 2);
  sql::ResultSet rows = statement.executeQuery();
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.getString(lang::String("NAME")).toUtf8(), "Brian");
  EXPECT_TRUE(rows.getString(2).isNull()) << "SQL NULL is a null proxy";
  EXPECT_TRUE(rows.wasNull());
  EXPECT_FALSE(rows.next());
  rows.close();
  statement.close();
}

}  // namespace
}  // namespace jbridge
