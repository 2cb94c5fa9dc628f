#include "platform/folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace qz::platform {
namespace {

// The placeholders built on these folders are tested with the expansion; here only what the
// expansion cannot show. The test binary is a process of its own, so its environment is ours.
TEST(FoldersTest, InvalidXdgConfigHomeFallsBackToHome) {
  ::setenv("HOME", "/home/someone", 1);
  for (const char* invalid : {"", "relative/config"}) {
    ::setenv("XDG_CONFIG_HOME", invalid, 1);
    EXPECT_EQ(userAppDataFolder(), "/home/someone/.config");
  }
  // Without HOME the password database names the home folder.
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("HOME");
  std::string dir = userAppDataFolder();
  if (!dir.empty()) {
    EXPECT_EQ(dir.front(), '/');
    EXPECT_TRUE(dir.ends_with("/.config")) << dir;
  }
}

TEST(FoldersTest, SystemFoldersAreNeverEmpty) {
  ::setenv("TMPDIR", "", 1);
  EXPECT_EQ(systemTempFolder(), "/tmp");
  EXPECT_EQ(appDataFallbackFolder(), "/tmp");
  std::string root = systemRootFolder();
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(root.front(), '/');
  EXPECT_TRUE(std::filesystem::is_directory(root));
}

}  // namespace
}  // namespace qz::platform
