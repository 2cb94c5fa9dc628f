#include "platform/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/support/scratch.h"

namespace qz::platform {
namespace {

namespace fs = std::filesystem;

// Points both stores, HOME and XDG_CONFIG_HOME into a folder of the test's own. The test
// binary is a process of its own, so variables set here are simply unset afterwards.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setVar("HOME", (dir_ / "home").string());
    ::unsetenv("XDG_CONFIG_HOME");
    setVar("QZ_REGISTRY_USER", userStore().string());
    setVar("QZ_REGISTRY_MACHINE", (dir_ / "machine.reg").string());
  }

  void TearDown() override {
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "QZ_REGISTRY_USER", "QZ_REGISTRY_MACHINE"}) {
      ::unsetenv(name);
    }
  }

  static void setVar(const char* name, const std::string& value) {
    ::setenv(name, value.c_str(), 1);
  }

  fs::path userStore() const { return dir_ / "user.reg"; }
  static void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }

  static std::optional<std::string> read(const std::string& key, const std::string& name = "",
                                         RegistryRoot root = RegistryRoot::kCurrentUser) {
    std::string value = "untouched";
    if (readRegistryString(root, key, name, &value)) return value;
    EXPECT_EQ(value, "untouched");
    return std::nullopt;
  }

  qztest::ScratchDir scratch_{"qz_registry"};
  fs::path dir_{scratch_.path()};
};

TEST_F(RegistryTest, MissingOrUnusableStoresReadAsNotFound) {
  EXPECT_EQ(read("SOFTWARE\\KESTRAN\\PATH\\KESTRAN_SETUP"), std::nullopt);
  fs::create_directories(userStore());
  EXPECT_EQ(read("SOFTWARE\\KESTRAN\\PATH\\KESTRAN_SETUP"), std::nullopt);
  fs::remove(userStore());
  // A FIFO without a writer would block an ordinary open for ever.
  ASSERT_EQ(::mkfifo(userStore().c_str(), 0600), 0);
  EXPECT_EQ(read("SOFTWARE\\KESTRAN\\PATH\\KESTRAN_SETUP"), std::nullopt);
}

TEST_F(RegistryTest, LinesAreParsedAtTheirEdges) {
  writeFile(userStore(),
            "\xEF\xBB\xBF"
            "FIRST = 1\n"
            "# SOFTWARE\\KESTRAN\\PATH\\COMMENTED = x\n"
            "  ; SOFTWARE\\KESTRAN\\PATH\\COMMENTED = y\n"
            "\n"
            "   \t\n"
            "SOFTWARE\\KESTRAN\\PATH\\NOEQUALS\n"
            " = value without key\n"
            "\\// = only separators\n"
            "SOFTWARE\\KESTRAN\\PATH\\KESTRAN_SETUP = /opt/kestran\r\n"
            "Software/Kestran//Path/Spaced\t=   a value = with equals  \r\n"
            "SOFTWARE\\KESTRAN\\PATH\\EMPTY =\n"
            "SOFTWARE\\KESTRAN\\PATH\\DUP = first\n"
            "SOFTWARE\\KESTRAN\\PATH\\DUP = second\n"
            "Key With Spaces\\@Named Value = named\n"
            "Key With Spaces\\@ = default\n"
            "@RootValue = at root\n"
            "SOFTWARE\\KESTRAN\\PATH\\LAST = no newline");
  const struct {
    const char* key;
    const char* name;
    const char* value;
  } found[] = {
      {"FIRST", "", "1"},
      {"software\\kestran\\path\\kestran_setup", "", "/opt/kestran"},
      {"/SOFTWARE/KESTRAN/PATH/KESTRAN_SETUP/", "", "/opt/kestran"},
      {"SOFTWARE\\KESTRAN\\PATH\\SPACED", "", "a value = with equals"},
      {"SOFTWARE\\KESTRAN\\PATH\\EMPTY", "", ""},
      {"SOFTWARE\\KESTRAN\\PATH\\DUP", "", "second"},
      {"key with spaces", "NAMED VALUE", "named"},
      {"Key With Spaces", "", "default"},
      {"", "rootvalue", "at root"},
      {"SOFTWARE\\KESTRAN\\PATH\\LAST", "", "no newline"},
  };
  for (const auto& row : found) EXPECT_EQ(read(row.key, row.name), row.value) << row.key;

  for (const char* key :
       {"SOFTWARE\\KESTRAN\\PATH\\COMMENTED", "SOFTWARE\\KESTRAN\\PATH\\NOEQUALS", "",
        "SOFTWARE\\KESTRAN\\PATH", "SOFTWARE\\KESTRAN\\PATH\\KESTRAN_SETUP\\X",
        "SOFTWARE\\KESTRAN\\PATH\\KESTRAN", "Key With Spaces\\@Named Value",
        "Key With Spaces\\Named Value"}) {
    EXPECT_EQ(read(key), std::nullopt) << key;
  }
  // A named value is not the default value, nor the other way round.
  EXPECT_EQ(read("SOFTWARE\\KESTRAN\\PATH", "KESTRAN_SETUP"), std::nullopt);
  EXPECT_EQ(read("Key With Spaces", "Named"), std::nullopt);
}

TEST_F(RegistryTest, LongValuesAndKeysAreReadWhole) {
  std::string longKey = "SOFTWARE\\" + std::string(5000, 'K');
  std::string longValue(1 << 20, 'v');
  writeFile(userStore(), "SHORT = s\n" + longKey + " = " + longValue + "\nAFTER = a\n");
  EXPECT_EQ(read(longKey), longValue);
  EXPECT_EQ(read("SHORT"), "s");
  EXPECT_EQ(read("AFTER"), "a");
}

TEST_F(RegistryTest, EachRootReadsItsOwnStore) {
  writeFile(userStore(), "K = user\n");
  writeFile(dir_ / "machine.reg", "K = machine\n");
  EXPECT_EQ(read("K", "", RegistryRoot::kCurrentUser), "user");
  EXPECT_EQ(read("K", "", RegistryRoot::kLocalMachine), "machine");
  EXPECT_EQ(read("K", "", RegistryRoot::kClassesRoot), std::nullopt);
  EXPECT_EQ(read("K", "", RegistryRoot::kUsers), std::nullopt);
}

// Each store is parsed once into an index; an edit, even one of the same length within the
// same clock tick, or another file put in its place, is read at the next lookup.
TEST_F(RegistryTest, TheIndexFollowsEveryEditOfTheStore) {
  std::string big;
  for (int i = 0; i < 20000; ++i)
    big += "K" + std::to_string(i) + " = v" + std::to_string(i) + "\n";
  writeFile(userStore(), big + "K = aa\n");
  for (int i = 0; i < 20000; i += 97)
    EXPECT_EQ(read("K" + std::to_string(i)), "v" + std::to_string(i));
  EXPECT_EQ(read("K"), "aa");
  writeFile(userStore(), big + "K = bb\n");
  EXPECT_EQ(read("K"), "bb") << "same length, same tick";
  writeFile(dir_ / "other.reg", "K = other\n");
  fs::rename(dir_ / "other.reg", userStore());
  EXPECT_EQ(read("K"), "other");
  fs::remove(userStore());
  EXPECT_EQ(read("K"), std::nullopt);
}

TEST_F(RegistryTest, StoresLiveInTheConfigFolderAndEtcByDefault) {
  ::unsetenv("QZ_REGISTRY_USER");
  ::unsetenv("QZ_REGISTRY_MACHINE");
  EXPECT_EQ(registryStorePath(RegistryRoot::kLocalMachine), "/etc/qzjdbc/registry");
  fs::path home = dir_ / "home" / ".config" / "qzjdbc" / "registry";
  EXPECT_EQ(registryStorePath(RegistryRoot::kCurrentUser), home.string());
  writeFile(home, "K = from home\n");
  EXPECT_EQ(read("K"), "from home");

  fs::path xdg = dir_ / "xdg" / "qzjdbc" / "registry";
  setVar("XDG_CONFIG_HOME", (dir_ / "xdg").string());
  EXPECT_EQ(registryStorePath(RegistryRoot::kCurrentUser), xdg.string());
  writeFile(xdg, "K = from xdg\n");
  EXPECT_EQ(read("K"), "from xdg");

  setVar("QZ_REGISTRY_USER", "");
  EXPECT_EQ(registryStorePath(RegistryRoot::kCurrentUser), xdg.string());
}

}  // namespace
}  // namespace qz::platform
