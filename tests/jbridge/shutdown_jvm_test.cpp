// Tests of the VM's life cycle as jbridge sees it: finding the VM, the end of the process with
// threads still attached, and calls after the shutdown has begun. The shutdown cannot be
// undone, so those tests come last; the exit tests run in child processes of this binary.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>

#include "jbridge/proxy/java_sql.h"
#include "tests/jbridge/jvm_env.h"

extern char** environ;

namespace jbridge {
namespace {

using proxy::types::JInt;
namespace lang = proxy::java::lang;
using testing::messageOf;

constexpr const char* kChildMode = "QZ_JBRIDGE_CHILD";

class FakeLoader : public JavaVMLoader {
 public:
  FakeLoader(jint result, jsize count) : result_(result), count_(count) {}
  jint getCreatedJavaVMs(JavaVM**, jsize, jsize* count) override {
    *count = count_;
    return result_;
  }

 private:
  jint result_;
  jsize count_;
};

bool inChild(const char* mode) {
  const char* value = std::getenv(kChildMode);
  return value && std::string(value) == mode;
}

// Runs this binary again with only `test` and kChildMode=`mode`; answers its exit status, or
// -1 when it did not end within the time.
int runChild(const std::string& test, const std::string& mode) {
  std::string filter = "--gtest_filter=" + test, self = "/proc/self/exe";
  char* argv[] = {self.data(), filter.data(), nullptr};
  // The environment is not changed in place: the VM's threads may read it meanwhile.
  std::string modeVariable = std::string(kChildMode) + "=" + mode;
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  envp.push_back(modeVariable.data());
  envp.push_back(nullptr);
  pid_t child = 0;
  if (::posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -2;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  return -1;
}

// A thread that made a Java call and then waits until the process ends.
void startLingeringThread() {
  std::promise<void> called;
  std::future<void> done = called.get_future();
  std::thread([&called] {
    lang::String::valueOf(JInt(1));
    called.set_value();
    for (;;) ::pause();
  }).detach();
  done.wait();
}

// Runs before any VM is set in this process.
TEST(VmLookupTest, WithoutAVmTheLoaderDecides) {
  if (std::getenv(kChildMode)) GTEST_SKIP();
  FakeLoader failing(-3, 0);
  setJavaVMLoader(&failing);
  EXPECT_EQ(messageOf([] { getJavaVM(); }),
            "JNIHelper::getJavaVM\nUnable to find the JVM. The specific JNI error code is -3");
  FakeLoader two(0, 2);
  setJavaVMLoader(&two);
  EXPECT_EQ(messageOf([] { getJavaVM(); }),
            "JNIHelper::getJavaVM\nLooking for exactly 1 JVM, but 2 were found.");
  setJavaVMLoader(nullptr);
  // No VM runs in this process yet.
  EXPECT_EQ(messageOf([] { JNIHelper::attach(); }),
            "JNIHelper::getJavaVM\nLooking for exactly 1 JVM, but 0 were found.");
  EXPECT_THROW(lang::String("no VM"), JNIException);
}

// In a child: a VM destroyed by its host waits for every non-daemon thread; the threads
// jbridge attached must not be among them.
TEST(ShutdownChild, DestroyingTheVmDoesNotWaitForAttachedThreads) {
  if (!inChild("destroy")) GTEST_SKIP();
  JavaVM* vm = testing::startVm();
  startLingeringThread();
  markVmShutdown();
  jint rc = vm->DestroyJavaVM();
  std::fflush(nullptr);
  std::_Exit(rc == JNI_OK ? 0 : 3);
}

// In a child: the process exits with attached threads alive and proxies still held by statics.
TEST(ShutdownChild, TheProcessExitsWithThreadsAttachedAndProxiesHeld) {
  if (!inChild("exit")) GTEST_SKIP();
  testing::startVm();
  static lang::String held("held until exit");
  EXPECT_EQ(held.length(), 15);
  startLingeringThread();
  std::fflush(nullptr);
  std::exit(::testing::Test::HasFailure() ? 4 : 0);
}

TEST(ShutdownTest, TheProcessEndsWhateverThreadsAreAttached) {
  if (std::getenv(kChildMode)) GTEST_SKIP();
  EXPECT_EQ(runChild("ShutdownChild.DestroyingTheVmDoesNotWaitForAttachedThreads", "destroy"), 0);
  EXPECT_EQ(runChild("ShutdownChild.TheProcessExitsWithThreadsAttachedAndProxiesHeld", "exit"), 0);
}

// Last: the shutdown cannot be undone.
TEST(ShutdownTest, AfterTheShutdownNothingReachesTheVm) {
  if (std::getenv(kChildMode)) GTEST_SKIP();
  ASSERT_NE(testing::startVm(), nullptr);
  auto* text = new lang::String("made before");
  long globals = JNIHelper::liveGlobalRefs();
  markVmShutdown();
  EXPECT_TRUE(vmShutdown());
  EXPECT_EQ(messageOf([] { JNIHelper::attach(); }), "The VM has already been shutdown.");
  EXPECT_THROW(text->length(), JNIException);
  delete text;  // deletes nothing
  EXPECT_EQ(JNIHelper::liveGlobalRefs(), globals);
}

}  // namespace
}  // namespace jbridge
