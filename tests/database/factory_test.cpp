// The class factory as the host reaches it: class names, identifier forms, and the routing of
// DATABASE.ODBCDB by dbproxy.cfg.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <initializer_list>
#include <utility>

#include "interfaces/database.h"
#include "tests/database/db_test_env.h"

namespace {

using dbtest::Engine;
using dbtest::EnvScope;
using dbtest::Installation;
using qztest::Obj;

class FactoryTest : public ::testing::Test {
 protected:
  // Creates a class through the host; the status the factory answered.
  int32_t createStatus(const qzIIDS& id) {
    int32_t status = -1;
    qzRef<qzIUnknown> o = engine_.host().create(id, &status);
    EXPECT_EQ(status == 0, static_cast<bool>(o));
    return status;
  }
  bool odbcServed() { return createStatus(qzMakeIID("DATABASE.ODBCDB")) == 0; }
  void proxyConfig(const std::string& text) { install_.setup().write("dbproxy.cfg", text); }
  // Writes each configuration in turn: none may route DATABASE.ODBCDB to us, for the reason given.
  void expectNotServed(std::initializer_list<std::pair<const char*, const char*>> configs) {
    for (const auto& [text, why] : configs) {
      proxyConfig(text);
      EXPECT_FALSE(odbcServed()) << why;
    }
  }

  Installation install_;
  Engine engine_;
};

TEST_F(FactoryTest, JdbcClassIsServedWithoutProxyConfigByTheIdentifierRule) {
  EXPECT_EQ(createStatus(qzMakeIID("DATABASE.JDBCDB")), 0);
  EXPECT_EQ(createStatus(qzMakeIID("database.jdbcdb")), 0) << "length 0 ignores case";
  EXPECT_EQ(createStatus(qzMakeIID("DATABASE.JDBCDB", 15)), 0) << "exact bytes";
  EXPECT_NE(createStatus(qzMakeIID("database.jdbcdb", 15)), 0) << "a counted length is exact";
  EXPECT_NE(createStatus(qzMakeIID("DATABASE.JDBCDB", 14)), 0) << "and covers the whole name";
  EXPECT_NE(createStatus(qzMakeIID("DATABASE.JDBC")), 0);
  EXPECT_NE(createStatus(qzMakeIID("DATABASE.RECORDSET")), 0) << "children are not creatable";
  EXPECT_NE(createStatus(qzMakeIID("")), 0);
}

// (A byte-order mark, and a folder in the file's place, are the configuration reader's.)
TEST_F(FactoryTest, ProxyConfigThatIsAFifoIsRefusedNotWaitedOn) {
  const std::string path = install_.setup().path() + "/dbproxy.cfg";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_FALSE(odbcServed());
  install_.setup().remove("dbproxy.cfg");
}

TEST_F(FactoryTest, OdbcRoutedByCommonBlockInAnyLetterCase) {
  EXPECT_FALSE(odbcServed()) << "no dbproxy.cfg";
  proxyConfig("[COMMON]\nDriver = database.jdbcdb\n");
  EXPECT_TRUE(odbcServed());
  EXPECT_EQ(createStatus(qzMakeIID("database.odbcdb")), 0);
  EXPECT_NE(createStatus(qzMakeIID("database.odbcdb", 15)), 0);

  proxyConfig("[common]\ndriver = DATABASE.JDBCDB\n");
  Obj routed = engine_.create("DATABASE.ODBCDB");
  ASSERT_TRUE(routed) << "block and item names ignore case";
  Obj info = routed.call("createObject", "DATABASEINFO").object();
  EXPECT_EQ(info.get("dbiid").text(), "DATABASE.JDBCDB") << "the routed class is ours";

  expectNotServed({{"", "an empty file reads nothing"},
                   {"[OTHER]\nDriver = DATABASE.JDBCDB\n", "no operating-system block nor COMMON"},
                   {"[COMMON]\nDriver = DATABASE.OTHERDB\n", "another driver"},
                   {"[COMMON]\nDriver =\n", "an empty driver"},
                   {"[COMMON]\nDriverClass = DATABASE.JDBCDB\n", "no Driver item"}});
}

TEST_F(FactoryTest, OperatingSystemBlockWinsOverCommonEvenWithoutDriver) {
  proxyConfig("[linux]\nDriver = DATABASE.JDBCDB\n[COMMON]\nDriver = NONE\n");
  EXPECT_TRUE(odbcServed());
  proxyConfig("[COMMON]\nDriver = DATABASE.JDBCDB\n[Linux]\nComment = no driver here\n");
  EXPECT_FALSE(odbcServed()) << "COMMON is consulted only without an operating-system block";
}

TEST_F(FactoryTest, ProxyConfigValuesAndPathAreExpanded) {
  EnvScope driver("QZTEST_DRIVER", "DATABASE.JDBCDB");
  proxyConfig("[COMMON]\nDriver = $QZTEST_DRIVER\n");
  EXPECT_TRUE(odbcServed()) << "the driver value goes through resolveVar";

  // The path is "$KESTRAN_SETUP/dbproxy.cfg": another setup folder, another answer.
  dbtest::TempDir other;
  EnvScope setup("KESTRAN_SETUP", other.path());
  EXPECT_FALSE(odbcServed());
  other.write("dbproxy.cfg", "[COMMON]\nDriver = DATABASE.JDBCDB\n");
  EXPECT_TRUE(odbcServed()) << "the file is read on every create";
}

}  // namespace
