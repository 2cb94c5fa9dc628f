#include "config/expand.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/scratch.h"

namespace qz::config {
namespace {

namespace fs = std::filesystem;

constexpr char kVariableKey[] = "SOFTWARE\\KESTRAN\\PATH\\";

// Every test runs against registry stores, a home and a temporary folder of its own, with no
// variable of the developer's environment that could leak into a lookup. The test binary is a
// process of its own, so variables set here are simply unset afterwards.
class ExpandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "home");
    fs::create_directories(dir_ / "tmp");
    setVar("HOME", (dir_ / "home").string());
    setVar("TMPDIR", (dir_ / "tmp").string());
    setVar("QZ_REGISTRY_USER", (dir_ / "user.reg").string());
    setVar("QZ_REGISTRY_MACHINE", (dir_ / "machine.reg").string());
    for (const char* name : {"XDG_CONFIG_HOME", "KESTRAN_SETUP", "KESTRAN_USER", "kestran_setup",
                             "kestran_user", "OSNAME", "osname", "OSEXT", "OSDLLEXT"}) {
      ::unsetenv(name);
    }
  }

  void TearDown() override {
    for (const std::string& name : touched_) ::unsetenv(name.c_str());
  }

  void setVar(const std::string& name, const std::string& value) {
    touched_.push_back(name);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  void unsetVar(const std::string& name) { ::unsetenv(name.c_str()); }

  void writeUser(const std::string& text) { std::ofstream(dir_ / "user.reg") << text; }
  void writeMachine(const std::string& text) { std::ofstream(dir_ / "machine.reg") << text; }

  // The registry store line setting variable `name`.
  static std::string variable(const std::string& name, const std::string& value) {
    return kVariableKey + name + " = " + value + "\n";
  }

  static std::optional<std::string> lookup(const std::string& name, bool useRegistry = true) {
    int status = 0;
    std::string value = lookupVariable(name, &status, useRegistry);
    if (status == 1) return value;
    EXPECT_EQ(status, -1);
    EXPECT_EQ(value, "");
    return std::nullopt;
  }

  qztest::ScratchDir scratch_{"qz_expand"};
  fs::path dir_{scratch_.path()};
  std::vector<std::string> touched_;
};

TEST_F(ExpandTest, LookupOrderIsUserMachineEnvironmentConstants) {
  writeUser(variable("KESTRAN_SETUP", "/user") + variable("OSNAME", "user-os"));
  writeMachine(variable("KESTRAN_SETUP", "/machine") + variable("KESTRAN_USER", "/machine-user"));
  setVar("KESTRAN_SETUP", "/env");
  setVar("KESTRAN_USER", "/env-user");
  EXPECT_EQ(lookup("KESTRAN_SETUP"), "/user");
  EXPECT_EQ(lookup("KESTRAN_USER"), "/machine-user");
  EXPECT_EQ(lookup("OSNAME"), "user-os");
  EXPECT_EQ(lookup("KESTRAN_SETUP", false), "/env");

  // An empty registry value does not hide the next source.
  writeUser(variable("KESTRAN_SETUP", ""));
  EXPECT_EQ(lookup("KESTRAN_SETUP"), "/machine");
  writeMachine(variable("KESTRAN_SETUP", ""));
  EXPECT_EQ(lookup("KESTRAN_SETUP"), "/env");
  unsetVar("KESTRAN_SETUP");
  EXPECT_EQ(lookup("KESTRAN_SETUP"), std::nullopt);

  setVar("OSNAME", "env-os");
  EXPECT_EQ(lookup("OSNAME", false), "env-os");
  unsetVar("OSNAME");
  EXPECT_EQ(lookup("OSNAME", false), "linux");
}

TEST_F(ExpandTest, EnvironmentIsTriedAsWrittenThenUpperThenLowerCase) {
  setVar("QZT_UPPER", "up");
  setVar("qzt_lower", "low");
  setVar("Qzt_Both", "as-written");
  setVar("QZT_BOTH", "upper");
  setVar("Qzt_Empty", "");
  setVar("QZT_EMPTY", "upper-of-empty");
  const std::pair<const char*, const char*> found[] = {{"qzt_upper", "up"},
                                                       {"QZT_LOWER", "low"},
                                                       {"Qzt_Both", "as-written"},
                                                       {"qzt_both", "upper"},
                                                       {"Qzt_Empty", "upper-of-empty"}};
  for (const auto& [name, value] : found) EXPECT_EQ(lookup(name), value) << name;
  // Names getenv would misread.
  setVar("QZT_EQ", "B=value");
  EXPECT_EQ(lookup("QZT_EQ=B"), std::nullopt);
  EXPECT_EQ(lookup(std::string("QZT_UPPER\0x", 11)), std::nullopt);
}

TEST_F(ExpandTest, BuiltInConstantsIgnoreCase) {
  EXPECT_EQ(expandPath("$osname/$(OsDllExt)"), "linux/so");
  EXPECT_EQ(lookup("OSEXT"), "");
  EXPECT_EQ(expandPath("prog$OSEXT"), "prog");
}

TEST_F(ExpandTest, NamesEndAtSeparatorsHyphenAndClosingParenthesis) {
  setVar("KESTRAN_SETUP", "/opt/k");
  setVar("QZT_A", "a");
  setVar("QZT_B", "b");
  const std::pair<const char*, const char*> cases[] = {
      {"$KESTRAN_SETUP/dbproxy.cfg", "/opt/k/dbproxy.cfg"},
      {"$KESTRAN_SETUP\\jdbc.cfg", "/opt/k\\jdbc.cfg"},
      {"x$QZT_A", "xa"},
      {"$QZT_A-$QZT_B", "a-b"},
      {"$(QZT_A)$(QZT_B)", "ab"},
      {"$(OSNAME)x", "linuxx"},
      // ".", "_", blanks and "$" belong to the name.
      {"$OSNAME.cfg", "$OSNAME.cfg"},
      {"$QZT_A b/c", "$QZT_A b/c"},
      {"$QZT_A$QZT_B", "$QZT_A$QZT_B"},
  };
  for (const auto& [text, expanded] : cases) EXPECT_EQ(expandPath(text), expanded) << text;
}

TEST_F(ExpandTest, UnknownNamesStayAsWritten) {
  for (const char* text : {"$NOPE/x", "$(NOPE)/x", "$((NOPE))-y", "$(NOPE", "$", "$$", "$()", "$)",
                           "$/x", "a$-b", "%Unknown%", "100%"}) {
    EXPECT_EQ(expandPath(text), text);
  }
  // "$" before a separator must not read the default value of the variable root itself.
  writeUser("SOFTWARE\\KESTRAN\\PATH = /root-default\n");
  EXPECT_EQ(expandPath("$/x"), "$/x");
  EXPECT_EQ(lookup(""), std::nullopt);
}

TEST_F(ExpandTest, ValuesAreExpandedAgain) {
  setVar("QZT_ROOT", "/r");
  writeUser(variable("KESTRAN_SETUP", "$QZT_ROOT/setup") +
            variable("KESTRAN_USER", "$(KESTRAN_SETUP)/user"));
  EXPECT_EQ(expandPath("$KESTRAN_USER\\jdbc.cfg"), "/r/setup/user\\jdbc.cfg");
  // The same variable twice side by side is no cycle.
  setVar("QZT_TWICE", "$(QZT_ROOT)$(QZT_ROOT)");
  EXPECT_EQ(expandPath("$QZT_TWICE-$QZT_TWICE"), "/r/r-/r/r");
}

TEST_F(ExpandTest, CyclesEndWithTheClosingReferenceAsWritten) {
  setVar("QZT_SELF", "x/$QZT_SELF");
  EXPECT_EQ(expandPath("$QZT_SELF"), "x/$QZT_SELF");
  setVar("QZT_A", "a/$QZT_B");
  setVar("QZT_B", "b/$(QZT_A)");
  EXPECT_EQ(expandPath("$QZT_A"), "a/b/$(QZT_A)");
  // Through the case fallback of the environment, and through both registry roots.
  setVar("qzt_lowcycle", "$(QZT_LOWCYCLE)");
  EXPECT_EQ(expandPath("$QZT_LOWCYCLE"), "$(QZT_LOWCYCLE)");
  writeUser(variable("KESTRAN_SETUP", "$KESTRAN_USER"));
  writeMachine(variable("KESTRAN_USER", "$(KESTRAN_SETUP)/u"));
  EXPECT_EQ(expandPath("$KESTRAN_SETUP/x"), "$(KESTRAN_SETUP)/u/x");
}

TEST_F(ExpandTest, DeepOrExplosiveDefinitionsStayBounded) {
  for (int i = 0; i < kMaxExpansionDepth + 8; ++i) {
    setVar("QZT_D" + std::to_string(i), "$QZT_D" + std::to_string(i + 1));
  }
  EXPECT_EQ(expandPath("$QZT_D0"), "$QZT_D" + std::to_string(kMaxExpansionDepth));

  // Each level doubles: unbounded, this would take two million lookups.
  constexpr int kLevels = 20;
  for (int i = 0; i < kLevels; ++i) {
    std::string next = "$(QZT_E" + std::to_string(i + 1) + ")";
    setVar("QZT_E" + std::to_string(i), next + next);
  }
  setVar("QZT_E" + std::to_string(kLevels), "x");
  std::string out = expandPath("$QZT_E0");
  EXPECT_LE(static_cast<int>(std::count(out.begin(), out.end(), 'x')), kMaxExpansionLookups);
  EXPECT_NE(out.find("$(QZT_E"), std::string::npos);
}

// 25,000 references to a 100 KB value would expand to 2.5 GB: the expansion fails instead,
// saying why, and the caller gets the text it gave back.
TEST_F(ExpandTest, ExpandedTextIsBoundedWithAClearError) {
  setVar("QZT_BIG", std::string(100 * 1024, 'b'));
  std::string many;
  for (int i = 0; i < 25000; ++i) many += "$(QZT_BIG)";
  writeUser(variable("QZT_MANY", many));
  int status = 0;
  EXPECT_EQ(expandVariables("/x/$QZT_MANY", &status, true), "");
  EXPECT_EQ(status, kExpansionTooLong);
  std::string error;
  EXPECT_EQ(expandPath("/x/$QZT_MANY", &error), "/x/$QZT_MANY");
  EXPECT_EQ(error, "the expansion of \"/x/$QZT_MANY\" is longer than 1048576 bytes");

  // Up to the bound, a long value expands whole; placeholders count too.
  setVar("QZT_EDGE", std::string(kMaxExpandedBytes - 2, 'e'));
  EXPECT_EQ(expandPath("$QZT_EDGE/y", &error).size(), kMaxExpandedBytes);
  EXPECT_EQ(error, "");
  EXPECT_EQ(expandVariables("$QZT_EDGE/yz", &status, true), "");
  EXPECT_EQ(status, kExpansionTooLong);
  EXPECT_EQ(expandVariables("$(QZT_EDGE)%SystemTemp%", &status, true), "");
  EXPECT_EQ(status, kExpansionTooLong);
}

TEST_F(ExpandTest, PlaceholdersInAnyCase) {
  EXPECT_EQ(expandPath("%SystemRoot%/lib:%SYSTEMROOT%"), "/usr/lib:/usr");
  std::string tmp = (dir_ / "tmp").string();
  setVar("TMPDIR", tmp + "//\\");
  EXPECT_EQ(expandPath("%systemtemp%|%SystemTemp%"), tmp + "|" + tmp);
  setVar("TMPDIR", "/");
  EXPECT_EQ(expandPath("%SystemTemp%/x"), "/x");
  unsetVar("TMPDIR");
  EXPECT_EQ(expandPath("%SYSTEMTEMP%"), "/tmp");
  // Inserted text is not searched again.
  setVar("TMPDIR", "/t/%SystemTemp%");
  EXPECT_EQ(expandPath("%SystemTemp%"), "/t/%SystemTemp%");

  EXPECT_EQ(expandPath("%useraPPdata%/qz"), (dir_ / "home").string() + "/.config/qz");
  setVar("XDG_CONFIG_HOME", (dir_ / "xdg").string() + "/");
  EXPECT_EQ(expandPath("%UserAppData%"), (dir_ / "xdg").string());

  // Variables expand first, so their values may use placeholders.
  setVar("TMPDIR", tmp);
  setVar("QZT_P", "%SystemTemp%");
  EXPECT_EQ(expandPath("$QZT_P/f"), tmp + "/f");
}

std::optional<bool> g_hookUseRegistry;
int g_hookStatus = 1;

std::string testHook(const std::string& text, int* status, bool useRegistry) {
  g_hookUseRegistry = useRegistry;
  *status = g_hookStatus;
  return "hooked:" + text;
}

std::string throwingHook(const std::string&, int*, bool) {
  throw std::runtime_error("hook");
}

TEST_F(ExpandTest, ExpandPathGoesThroughTheHook) {
  EXPECT_EQ(setExpansionHook(&testHook), &expandVariables);
  EXPECT_EQ(expandPath("$OSNAME"), "hooked:$OSNAME");
  EXPECT_EQ(g_hookUseRegistry, true);
  g_hookStatus = 0;
  EXPECT_EQ(expandPath("$OSNAME"), "$OSNAME");
  g_hookStatus = 1;
  setExpansionHook(&throwingHook);
  EXPECT_EQ(expandPath("$OSNAME"), "$OSNAME");
  EXPECT_EQ(setExpansionHook(nullptr), &throwingHook);
  EXPECT_EQ(expandPath("$OSNAME"), "linux");
}

TEST_F(ExpandTest, ReadRegistryValueRecognisesExactRootNames) {
  writeUser(variable("QZT_X", "user"));
  writeMachine(variable("QZT_X", "machine"));
  auto read = [](const std::string& key, const std::string& name = "") {
    bool found = true;
    std::string value = readRegistryValue(key, name, &found);
    return found ? std::optional<std::string>(value) : std::nullopt;
  };
  EXPECT_EQ(read("HKEY_CURRENT_USER\\SOFTWARE\\KESTRAN\\PATH\\QZT_X"), "user");
  EXPECT_EQ(read("HKEY_CURRENT_USER/software/kestran/path/qzt_x"), "user");
  EXPECT_EQ(read("HKEY_LOCAL_MACHINE\\SOFTWARE\\KESTRAN\\PATH\\QZT_X"), "machine");
  for (const char* key : {"hkey_current_user\\SOFTWARE\\KESTRAN\\PATH\\QZT_X",
                          "HKEY_CLASSES_ROOT\\SOFTWARE\\KESTRAN\\PATH\\QZT_X",
                          "HKEY_USERS\\SOFTWARE\\KESTRAN\\PATH\\QZT_X",
                          "HKEY_CURRENT_USERS\\SOFTWARE\\KESTRAN\\PATH\\QZT_X",
                          "SOFTWARE\\KESTRAN\\PATH\\QZT_X", "HKEY_CURRENT_USER", ""}) {
    EXPECT_EQ(read(key), std::nullopt) << key;
  }
  EXPECT_EQ(readRegistryValue("HKEY_CURRENT_USER\\SOFTWARE\\KESTRAN\\PATH\\QZT_X", "", nullptr),
            "user");
}

}  // namespace
}  // namespace qz::config
