// Starts the process's Java VM for a test binary and hands it to jbridge.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "jbridge/jni_core.h"
#include "jbridge/proxy/java_sql.h"
#include "platform/jvm.h"

namespace jbridge::testing {

inline JavaVM* startVm() {
  static JavaVM* vm = [] {
    std::string error;
    JavaVM* created = qz::platform::obtainJavaVM(qz::platform::defaultJvmOptions(), &error);
    if (!created) ADD_FAILURE() << "no Java VM: " << error;
    setJavaVM(created);
    return created;
  }();
  return vm;
}

// The text of the JNIException that `action` throws.
inline std::string messageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const JNIException& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

class JvmTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_NE(startVm(), nullptr); }
};

// A test with a connection of its own to an in-memory HSQLDB database, closed at its end.
class HsqldbTest : public JvmTest {
 protected:
  static void SetUpTestSuite() {
    JvmTest::SetUpTestSuite();
    proxy::java::lang::Class::forName(proxy::java::lang::String("org.hsqldb.jdbc.JDBCDriver"));
  }

  void connect(const char* database) {
    namespace lang = proxy::java::lang;
    connection_ = proxy::java::sql::DriverManager::getConnection(
        lang::String((std::string("jdbc:hsqldb:mem:") + database).c_str()), lang::String("SA"),
        lang::String(""));
    ASSERT_FALSE(connection_.isNull());
  }

  void TearDown() override {
    if (!connection_.isNull() && !connection_.isClosed()) connection_.close();
  }

  proxy::java::sql::Connection connection_;
};

}  // namespace jbridge::testing
