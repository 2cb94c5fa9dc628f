// A password given to connect, wrong or right, one written into a data source's URL and one set by
// a statement appear in no trace, message or report, with every trace and report the engine has
// switched on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/database/jvm_fixture.h"

namespace {

using dbtest::DatabaseFixture;
using dbtest::EnvScope;
using dbtest::jdbcBlock;
using dbtest::TempDir;
using qztest::Obj;
using qztest::Outcome;

class PasswordTest : public DatabaseFixture {
 protected:
  // The code trace goes to the temporary folder the engine finds when it writes.
  TempDir temp_;
  EnvScope tempVar_{"temp", temp_.path()};
  EnvScope tmpVar_{"tmp", std::nullopt};
  EnvScope debug_{"QZCOM_JDBC_DEBUG", "1"};

  std::string traceFiles() const {
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(temp_.path()))
      all += qztest::readFile(entry.path());
    return all;
  }
};

TEST_P(PasswordTest, NeverInTracesMessagesOrReports) {
  const std::string wrong = "Wr0ng-pw-5a1e";
  std::string user = backend_.user, right = backend_.password;
  if (right.empty()) {
    connect();  // the driver and the database exist from now on
    db_.call("close");
    right = "R1ght-pw-9c2d";
    user = "LEAKY";
    probeUpdate("CREATE USER LEAKY PASSWORD '" + right + "' ADMIN");
  }
  // A URL that holds a password, which DriverManager echoes when no driver takes it.
  const char* separator = !postgres()                                   ? ";"
                          : backend_.url.find('?') == std::string::npos ? "?"
                                                                        : "&";
  install_.user().write(
      "jdbc.cfg",
      jdbcBlock("demo", backend_.url, backend_.driver) +
          jdbcBlock("nodriver", "jdbc:nosuch://h/db?user=u&password=" + right, backend_.driver) +
          jdbcBlock("inurl", backend_.url + separator + "password=" + wrong, backend_.driver));

  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  std::string messages;
  auto failed = [&](const Outcome& o) {
    EXPECT_FALSE(o.ok());
    messages += o.error.text() + "\n";
  };
  Obj db = engine_->create("DATABASE.JDBCDB");
  failed(db.tryCall("connect", "demo", user, wrong));
  failed(db.tryCall("connect", "nodriver", user, right));
  failed(db.tryCall("connect", "inurl", user, ""));
  failed(db.tryCall("connect", "demo", user, right + "x"));
  const Outcome connected = db.tryCall("connect", "demo", user, right);
  EXPECT_TRUE(connected.ok()) << connected.error.text();
  Obj e = db.call("createObject", "SQLEXEC").object();
  // The password set again, as a statement: traced, and echoed by drivers that quote a refused
  // statement.
  const std::string setPassword = postgres()
                                      ? "ALTER ROLE " + user + " PASSWORD '" + right + "'"
                                      : "ALTER USER " + user + " SET PASSWORD '" + right + "'";
  e.call("statement", setPassword);
  const Outcome set = e.tryCall("execute");
  EXPECT_TRUE(set.ok()) << set.error.text();
  e.call("statement", setPassword + " bogus");
  failed(e.tryCall("execute"));
  e.call("statement", "SELECT no_such_column FROM no_such_table");
  failed(e.tryCall("execute"));
  db.call("close");
  messages += dbtest::engineReport(&dynMgrChainS::summaryReport);
  messages += dbtest::engineReport(&dynMgrChainS::consistencyReport);
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();
  const std::string trace = traceFiles();

  EXPECT_NE(out.find("JSQLExec"), std::string::npos) << "the SQL trace was off:\n" << out;
  EXPECT_NE(trace.find("qzComInitRemote"), std::string::npos) << "the code trace was off";
  EXPECT_NE(messages.find("QZMEMTRACK Detail"), std::string::npos) << messages;
  EXPECT_NE(messages.find("***"), std::string::npos) << "nothing hidden:\n" << messages;
  for (const std::string& secret : {wrong, right}) {
    EXPECT_EQ(messages.find(secret), std::string::npos) << secret << " in:\n" << messages;
    EXPECT_EQ(out.find(secret), std::string::npos) << secret << " in:\n" << out;
    EXPECT_EQ(err.find(secret), std::string::npos) << secret << " in:\n" << err;
    EXPECT_EQ(trace.find(secret), std::string::npos) << secret << " in:\n" << trace;
  }
}

QZ_DATABASE_BACKENDS(PasswordTest);

}  // namespace
