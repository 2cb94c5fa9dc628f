// The engine as a host sees it: the real shared library, loaded with dlopen.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/host.h"
#include "tests/support/scratch.h"

namespace {

std::string enginePath() {
  return QZ_TEST_ENGINE_PATH;
}

}  // namespace

// (References and registrations of init and terminate are the foreign host test's, which
// also checks the slots they go through.)
TEST(EngineEntry, TerminationWithoutInitialisationDoesNotKillTheEngine) {
  qz::host::Host host;
  std::string error;
  ASSERT_TRUE(host.loadEngine(enginePath(), &error)) << error;
  ASSERT_EQ(host.terminateEngine(), 0);
  const int32_t base = host.hostEngineRefCount();
  // Extra terminations on an engine that is not initialised answer 0 and change nothing.
  EXPECT_EQ(host.terminateEngine(), 0);
  EXPECT_EQ(host.terminateEngine(), 0);
  EXPECT_EQ(host.hostEngineRefCount(), base);
  // A later initialisation still keeps the host engine and registers.
  ASSERT_EQ(host.initEngine(), 0);
  EXPECT_EQ(host.hostEngineRefCount(), base + 1);
  EXPECT_EQ(host.registeredFactories(), 1);
  EXPECT_EQ(host.terminateEngine(), 0);
  EXPECT_EQ(host.hostEngineRefCount(), base);
  EXPECT_EQ(host.registeredFactories(), 0);
}

TEST(EngineEntry, EngineAndHostNeverShareSymbols) {
  // Only the two entry points are visible: nothing of ours can bind to the host's copies.
  std::string cmd = "nm -D --defined-only '" + enginePath() + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  char line[512];
  std::string symbols;
  int count = 0;
  while (fgets(line, sizeof line, p)) {
    symbols += line;
    ++count;
  }
  pclose(p);
  EXPECT_EQ(count, 2) << symbols;
  EXPECT_NE(symbols.find(" T qzComInitRemoteEngine"), std::string::npos);
  EXPECT_NE(symbols.find(" T qzComTerminateRemoteEngine"), std::string::npos);
}

TEST(EngineEntry, LastTerminationReportsLiveObjectsWhenAsked) {
  qztest::ScratchDir dir("qzlive");
  const std::string report = dir.path() + "/live.txt";
  {
    qztest::EnvVar asked("QZ_LIVE_OBJECTS_REPORT", report);
    qz::host::Host host;
    std::string error;
    ASSERT_TRUE(host.loadEngine(enginePath(), &error)) << error;
    host.initEngine();
    host.terminateEngine();  // not the last: no report yet
    host.unloadEngine();
  }
  EXPECT_EQ(qztest::readFile(report), "qzjdbc live objects: 0\n")
      << "one report, at the last termination";
}
