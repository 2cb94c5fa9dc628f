#include "platform/temp_dir.h"

#include <gtest/gtest.h>

#include "tests/runtime/diag_test_util.h"

namespace {

using diagtest::EnvVar;

TEST(TempDirTest, FirstSetVariableWinsThenTmpdirThenSlashTmp) {
  EnvVar a("QZ_TEST_TEMP_A", std::nullopt);
  EnvVar b("QZ_TEST_TEMP_B", "/from/b");
  EnvVar tmpdir("TMPDIR", "/from/tmpdir");
  EXPECT_EQ(qz::platform::tempDirectoryFrom({"QZ_TEST_TEMP_A", "QZ_TEST_TEMP_B"}), "/from/b");
  {
    EnvVar empty("QZ_TEST_TEMP_B", "");
    EXPECT_EQ(qz::platform::tempDirectoryFrom({"QZ_TEST_TEMP_A", "QZ_TEST_TEMP_B"}), "/from/tmpdir")
        << "an empty variable counts as unset";
  }
  EnvVar noTmpdir("TMPDIR", std::nullopt);
  EXPECT_EQ(qz::platform::tempDirectoryFrom({"QZ_TEST_TEMP_A"}), "/tmp");
}

}  // namespace
