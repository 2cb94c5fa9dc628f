// Starts the process's Java VM for a test binary and hands it to jbridge.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "jbridge/jni_core.h"
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

}  // namespace jbridge::testing
