// The engine's init and terminate frames in the code trace, flushed record by record.
#include <gtest/gtest.h>

#include <string>

#include "host/host.h"
#include "platform/thread.h"
#include "tests/runtime/diag_test_util.h"

TEST(EngineTrace, InitAndTerminateFramesReachTheTraceFile) {
  diagtest::ScratchDir dir;
  diagtest::EnvVar temp("temp", dir.path());
  const std::string file = dir.path() + "/codetrack." +
                           std::to_string(qz::platform::currentThreadId()) + ".libqzjdbc.so.txt";
  qz::host::Host host;
  std::string error;
  ASSERT_TRUE(host.loadEngine(QZ_TEST_ENGINE_PATH, &error)) << error;
  EXPECT_EQ(diagtest::lines(diagtest::readFile(file)).size(), 2u) << "flushed at once";
  host.unloadEngine();
  const std::vector<std::string> got = diagtest::lines(diagtest::readFile(file));
  ASSERT_EQ(got.size(), 4u);
  const char* tails[] = {"qzcomremote;141;Frame Enter(qzComInitRemote)",
                         "qzcomremote;141;Frame Leave(qzComInitRemote)",
                         "qzcomremote;100;Frame Enter(qzComTerminate)",
                         "qzcomremote;100;Frame Leave(qzComTerminate)"};
  const std::string tid = std::to_string(qz::platform::currentThreadId());
  for (size_t i = 0; i < got.size(); ++i) {
    const std::vector<std::string> f = diagtest::traceFields(got[i]);
    ASSERT_EQ(f.size(), 6u) << got[i];
    EXPECT_EQ(f[2], tid);
    EXPECT_TRUE(got[i].ends_with(tails[i])) << got[i];
  }
}
