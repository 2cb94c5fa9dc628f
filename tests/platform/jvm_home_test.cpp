// A JAVA_HOME that cannot serve is reported with its path and never replaced by the system's
// default Java. Each case runs in a child process: a VM, once started, stays for the process.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/jvm.h"
#include "tests/support/scratch.h"

namespace qz::platform {
namespace {

namespace fs = std::filesystem;

// What obtainJavaVM and javaHomeProblem say in a child with JAVA_HOME set to home: "vm" when a
// VM started, else the two messages joined by "|".
std::string inChild(const std::string& home) {
  int out[2];
  if (pipe(out) != 0) return "pipe failed";
  pid_t pid = fork();
  if (pid == 0) {
    close(out[0]);
    setenv("JAVA_HOME", home.c_str(), 1);
    std::string error;
    JavaVM* vm = obtainJavaVM(defaultJvmOptions(), &error);
    std::string text = vm ? "vm" : error + "|" + javaHomeProblem();
    (void)!write(out[1], text.data(), text.size());
    _exit(0);
  }
  close(out[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return text;
}

TEST(JavaHomeTest, AMissingOrBrokenJavaHomeIsReportedNotReplaced) {
  std::string missing = inChild("/nonexistent/jdk");
  EXPECT_NE(missing, "vm") << "the default Java must not stand in for JAVA_HOME's";
  // The loader's message names both (the problem's text below would match a looser search).
  EXPECT_NE(missing.find("JAVA_HOME=/nonexistent/jdk (unset"), std::string::npos) << missing;
  EXPECT_NE(missing.find("/nonexistent/jdk/lib/server/libjvm.so: "), std::string::npos) << missing;
  EXPECT_NE(missing.find("|JAVA_HOME=/nonexistent/jdk, but /nonexistent/jdk/lib/server/libjvm.so "
                         "is not there"),
            std::string::npos)
      << missing;

  // A libjvm.so that is no library at all.
  qztest::ScratchDir scratch("qzjvm");
  const std::string& root = scratch.path();
  fs::create_directories(root + "/lib/server");
  std::ofstream(root + "/lib/server/libjvm.so") << "not a library\n";
  std::string broken = inChild(root);
  EXPECT_NE(broken, "vm");
  EXPECT_NE(
      broken.find("|JAVA_HOME=" + root + ", but " + root + "/lib/server/libjvm.so does not load: "),
      std::string::npos)
      << broken;
}

TEST(JavaHomeTest, NoProblemWithoutJavaHome) {
  qztest::EnvVar unset("JAVA_HOME", std::nullopt);
  EXPECT_EQ(javaHomeProblem(), "");
}

}  // namespace
}  // namespace qz::platform
