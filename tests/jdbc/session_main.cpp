// The main of the test binaries that run in a session environment and need nothing more.
#include <gtest/gtest.h>

#include "tests/jdbc/session_env.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new qztest::jdbc::SessionEnvironment);
  return RUN_ALL_TESTS();
}
