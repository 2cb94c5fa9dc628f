// The crash log of a child process that loads the engine and faults on purpose.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/runtime/diag_test_util.h"

extern char** environ;

namespace {

using Env = std::map<std::string, std::optional<std::string>>;

// Runs the child with the environment changed by `changes` (nullopt removes a variable) and
// returns its wait status. Sanitizers keep their hands off the signals under test.
int runChild(const char* what, const Env& changes, const char* program = QZ_TEST_CRASH_CHILD) {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    const size_t eq = entry.find('=');
    if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  for (const char* name : {"tmp", "temp", "QZDBG_EXCEPTIONHANDLER", "QZMEMTRACK_LEAK"}) {
    env.erase(name);
  }
  env["ASAN_OPTIONS"] =
      "handle_segv=0:handle_sigbus=0:handle_abort=0:handle_sigfpe=0:handle_sigill=0";
  for (const auto& [name, value] : changes) {
    if (value)
      env[name] = *value;
    else
      env.erase(name);
  }
  std::vector<std::string> entries;
  for (const auto& [name, value] : env) entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string path = program;
  std::string arg = what;
  char* argv[] = {path.data(), arg.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

bool killedBy(int status, int sig) {
  return WIFSIGNALED(status) && WTERMSIG(status) == sig;
}

class CrashLogTest : public ::testing::Test {
 protected:
  std::string logPath() const { return dir_.path() + "/qzdbgcrash.log"; }
  bool logWritten() const { return std::filesystem::exists(logPath()); }
  std::vector<std::string> log() const { return diagtest::lines(diagtest::readFile(logPath())); }

  diagtest::ScratchDir dir_;
};

TEST_F(CrashLogTest, FaultLogsLocationStackWithSymbolsAndModules) {
  const int status = runChild("segv", {{"tmp", dir_.path()}, {"QZDBG_EXCEPTIONHANDLER", "1"}});
  EXPECT_TRUE(killedBy(status, SIGSEGV)) << "the process still ends as it would have";
  const std::vector<std::string> got = log();
  ASSERT_GE(got.size(), 4u);
  // "Location <pc>, Code b SEQ:<16 hex digits>"
  const std::vector<std::string> header = diagtest::split(got[0], ' ');
  ASSERT_EQ(header.size(), 5u) << got[0];
  EXPECT_EQ(header[0], "Location");
  EXPECT_TRUE(header[1].ends_with(",") &&
              diagtest::onlyOf(header[1].substr(0, header[1].size() - 1), diagtest::kHexDigits))
      << got[0];
  EXPECT_EQ(header[2], "Code");
  EXPECT_EQ(header[3], "b") << "SIGSEGV";
  EXPECT_TRUE(header[4].starts_with("SEQ:") && header[4].size() == 20 &&
              diagtest::onlyOf(header[4].substr(4), diagtest::kHexDigits))
      << got[0];
  EXPECT_EQ(got[1], "SIGSEGV (code 1) at address 0");
  // The faulting function, named from the child's symbol table, with its module and code.
  const std::string frame = "no file(0) : qzCrashChildFault (" +
                            header[1].substr(0, header[1].size() - 1) +
                            " Modul: engine_crash_child) SEQ: ";
  EXPECT_TRUE(got[2].starts_with(frame)) << got[2];
  EXPECT_TRUE(got[2].ends_with(header[4].substr(4))) << "the same code bytes";
  EXPECT_TRUE(got[3].starts_with("no file(0) : main (")) << got[3];
  bool modules = false;
  bool engine = false;
  for (const std::string& l : got) {
    modules = modules || l == "Modules:";
    engine = engine || (modules && l.ends_with("/libqzjdbc.so"));
  }
  EXPECT_TRUE(engine) << "the module list names the engine";
}

TEST_F(CrashLogTest, ModeDecidesWhichSignalsAreLogged) {
  struct Case {
    std::optional<std::string> mode;
    const char* what;
    int signal;
    bool logged;
    const char* folder = "tmp";
  } cases[] = {
      {std::nullopt, "segv", SIGSEGV, true, "temp"},  // TEMP when TMP is unset
      {"0", "segv", SIGSEGV, true},
      {"1", "abort", SIGABRT, true},
      {"2", "segv", SIGSEGV, true},
      {"2", "abort", SIGABRT, false},
      {"3", "segv", SIGSEGV, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode.value_or("unset")) + " " + c.what);
    std::filesystem::remove(logPath());
    const int status =
        runChild(c.what, {{c.folder, dir_.path()}, {"QZDBG_EXCEPTIONHANDLER", c.mode}});
    EXPECT_TRUE(killedBy(status, c.signal));
    EXPECT_EQ(logWritten(), c.logged);
    if (c.logged && c.signal == SIGABRT) {
      EXPECT_NE(log()[0].find(", Code 6 SEQ:"), std::string::npos);
    }
  }
}

TEST_F(CrashLogTest, AFaultTheEarlierOwnerHandlesIsNotLogged) {
  const int status = runChild("owned", {{"tmp", dir_.path()}, {"QZDBG_EXCEPTIONHANDLER", "1"}});
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the owner's handler recovered";
  EXPECT_FALSE(logWritten());
}

// Tests that a pure virtual call is logged once, without a location, and the abort that follows
// is not logged again.
TEST_F(CrashLogTest, PureVirtualCallIsLoggedOnce) {
  const int status = runChild("", {{"tmp", dir_.path()}}, QZ_TEST_PURE_VIRTUAL_CHILD);
  EXPECT_TRUE(killedBy(status, SIGABRT));
  const std::vector<std::string> got = log();
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got[0], "Location Unknown");
  int locations = 0;
  bool caller = false;
  for (const std::string& l : got) {
    locations += l.starts_with("Location");
    caller = caller || l.find("callThrough") != std::string::npos;
  }
  EXPECT_EQ(locations, 1);
  EXPECT_TRUE(caller) << "the stack reaches the caller";
}

// The engine's unload writes the leak reports and turns the allocator's release flag on.
TEST_F(CrashLogTest, UnloadWritesLeakReportsWhenAsked) {
  const std::string file = dir_.path() + "/leaks.txt";
  const int status = runChild("exit", {{"QZMEMTRACK_LEAK", ""}, {"QZMEMTRACK_OUTPUT", file}});
  ASSERT_TRUE(WIFEXITED(status));
  const std::string text = diagtest::readFile(file);
  const std::string pid = text.substr(0, text.find('\n'));
  EXPECT_TRUE(pid.starts_with("QZMEMTRACK Summary Report (Pid=") && pid.ends_with(",libqzjdbc.so)"))
      << text;
  EXPECT_NE(text.find("\nQZMEMTRACK Detail Memory Report (Pid="), std::string::npos) << text;
}

}  // namespace
