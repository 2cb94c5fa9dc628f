// Tests of the java.sql proxies against the real HSQLDB driver, in memory.
#include <gtest/gtest.h>

#include "jbridge/proxy/java_sql.h"
#include "tests/jbridge/jvm_env.h"

namespace jbridge {
namespace {

using proxy::JArray;
using proxy::types::JInt;
namespace lang = proxy::java::lang;
namespace sql = proxy::java::sql;

class JdbcTest : public testing::JvmTest {
 protected:
  static void SetUpTestSuite() {
    JvmTest::SetUpTestSuite();
    lang::Class::forName(lang::String("org.hsqldb.jdbc.JDBCDriver"));
  }

  void SetUp() override {
    connection_ = sql::DriverManager::getConnection(lang::String("jdbc:hsqldb:mem:jbridge"),
                                                    lang::String("SA"), lang::String(""));
    ASSERT_FALSE(connection_.isNull());
    update("DROP TABLE PEOPLE IF EXISTS");
    update("CREATE TABLE PEOPLE (ID INTEGER PRIMARY KEY, NAME VARCHAR(40), NICK VARCHAR(20))");
    insert(1, "Ada", "countess");
    insert(2, "Brian", nullptr);
  }

  void TearDown() override {
    if (!connection_.isNull() && !connection_.isClosed()) connection_.close();
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

  sql::Connection connection_;
};

// Static fields read by their declared type, inherited ones through the declaring proxy.
TEST_F(JdbcTest, ConstantsComeFromTheVm) {
  EXPECT_EQ(sql::ResultSet::TYPE_FORWARD_ONLY(), 1003);
  EXPECT_EQ(sql::PreparedStatement::RETURN_GENERATED_KEYS(), 1);
  EXPECT_EQ(sql::DatabaseMetaData::tableIndexOther(), 3);  // a short constant
}

TEST_F(JdbcTest, QueriesReadRowsColumnsAndNulls) {
  sql::PreparedStatement statement = connection_.prepareStatement(
      lang::String("SELECT ID, NAME, NICK FROM PEOPLE WHERE ID >= ? ORDER BY ID"),
      sql::ResultSet::TYPE_FORWARD_ONLY(), sql::ResultSet::CONCUR_READ_ONLY());
  statement.setInt(1, 1);
  sql::ResultSet rows = statement.executeQuery();
  sql::ResultSetMetaData meta = rows.getMetaData();
  EXPECT_EQ(meta.getColumnCount(), 3);
  EXPECT_EQ(meta.getColumnName(2).toUtf8(), "NAME");
  EXPECT_EQ(meta.getColumnType(1), 4);   // Types.INTEGER
  EXPECT_EQ(meta.getColumnType(2), 12);  // Types.VARCHAR
  EXPECT_EQ(meta.getPrecision(2), 40);
  EXPECT_EQ(meta.isNullable(1), sql::ResultSetMetaData::columnNoNulls());

  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.getInt(1), 1);
  EXPECT_EQ(rows.getString(2).getCString(), "Ada");
  EXPECT_EQ(rows.getString(lang::String("NICK")).toUtf8(), "countess");
  ASSERT_TRUE(rows.next());
  EXPECT_EQ(rows.getString(2).toUtf8(), "Brian");
  EXPECT_TRUE(rows.getString(3).isNull());  // SQL NULL is a null proxy
  EXPECT_TRUE(rows.wasNull());
  EXPECT_FALSE(rows.next());
  rows.close();
  statement.close();
}

TEST_F(JdbcTest, DriverErrorsArriveAsSQLExceptionWithStateAndMessage) {
  try {
    connection_.prepareStatement(lang::String("SELECT * FROM NO_SUCH_TABLE"));
    FAIL() << "no exception";
  } catch (const sql::SQLException& e) {
    // The driver throws a subclass; it arrives as its registered ancestor.
    EXPECT_EQ(e.getClass().getName().toUtf8(), "java.sql.SQLSyntaxErrorException");
    EXPECT_EQ(e.getSQLState().toUtf8(), "42501");
    EXPECT_EQ(e.getErrorCode(), -5501);
    const std::string message =
        "user lacks privilege or object not found: NO_SUCH_TABLE in statement [SELECT * FROM "
        "NO_SUCH_TABLE]";
    EXPECT_EQ(e.getMessage().toUtf8(), message);
    EXPECT_EQ(e.what(), "java.sql.SQLSyntaxErrorException: " + message);
  }
  EXPECT_THROW(update("INSERT INTO PEOPLE VALUES (1, 'dup', NULL)"), sql::SQLException);
}

TEST_F(JdbcTest, DatabaseMetaDataDescribesTables) {
  sql::DatabaseMetaData meta = connection_.getMetaData();
  EXPECT_FALSE(meta.getDriverVersion().getCString().empty());
  EXPECT_TRUE(meta.supportsTransactions());

  JArray<lang::String> types(1);
  types[0] = lang::String("TABLE");
  sql::ResultSet tables =
      meta.getTables(lang::String(), lang::String("PUBLIC"), lang::String("PEOPLE"), types);
  ASSERT_TRUE(tables.next());
  EXPECT_EQ(tables.getString(lang::String("TABLE_NAME")).toUtf8(), "PEOPLE");
  tables.close();
  // An empty type list is an empty array, not null: no table type matches it.
  sql::ResultSet none = meta.getTables(lang::String(), lang::String("PUBLIC"),
                                       lang::String("PEOPLE"), JArray<lang::String>(0));
  EXPECT_FALSE(none.next());
  none.close();

  sql::ResultSet columns = meta.getColumns(lang::String(), lang::String("PUBLIC"),
                                           lang::String("PEOPLE"), lang::String("%"));
  int count = 0;
  while (columns.next()) ++count;
  EXPECT_EQ(count, 3);
  columns.close();
  sql::ResultSet keys =
      meta.getPrimaryKeys(lang::String(), lang::String("PUBLIC"), lang::String("PEOPLE"));
  ASSERT_TRUE(keys.next());
  EXPECT_EQ(keys.getString(lang::String("COLUMN_NAME")).toUtf8(), "ID");
  keys.close();
}

}  // namespace
}  // namespace jbridge
