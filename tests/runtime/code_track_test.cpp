#include "runtime/code_track.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "platform/thread.h"
#include "tests/runtime/diag_test_util.h"

namespace ct = qz::codetrack;
using diagtest::EnvVar;

namespace {

constexpr char kFile[] = "tracked.cpp";

class CodeTrackTest : public ::testing::Test {
 protected:
  std::string expectedPath() const {
    return dir_.path() + "/codetrack." + std::to_string(qz::platform::currentThreadId()) +
           ".runtime_code_track_test.txt";
  }
  std::vector<std::string> written() const {
    return diagtest::lines(diagtest::readFile(expectedPath()));
  }

  diagtest::ScratchDir dir_;
  EnvVar temp_{"temp", dir_.path()};
  EnvVar tmp_{"tmp", std::nullopt};
};

TEST_F(CodeTrackTest, NothingIsWrittenWhenOffAndTheRingWrapsSilently) {
  EnvVar active(ct::kActiveVariable, "0");
  EnvVar flush(ct::kFlushVariable, std::nullopt);
  {
    ct::Tracker tracker;
    for (size_t i = 0; i < ct::kRingSize + 3; ++i) qzCodeTrackEnter(kFile, 1, "f");
    EXPECT_EQ(tracker.writeIndex(), 3u) << "the ring started again at slot 0";
    EXPECT_EQ(tracker.record(0).kind, ct::kFrameEnter);
    EXPECT_EQ(tracker.record(3).kind, ct::kEmpty);
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(CodeTrackTest, WritesOneLinePerRecordOldestFirstAtUnload) {
  EnvVar active(ct::kActiveVariable, "1");
  EnvVar flush(ct::kFlushVariable, std::nullopt);
  {
    ct::Tracker tracker;
    EXPECT_EQ(tracker.outputPath(), expectedPath());
    {
      qzCodeTrackFrameC outer(kFile, 10, "outer");
      qzCodeTrackFrameC inner(kFile, 20, "inner");
    }
    EXPECT_EQ(tracker.openFrames(), 0u);
    EXPECT_FALSE(std::filesystem::exists(expectedPath())) << "nothing written before unload";
  }
  const std::vector<std::string> got = written();
  ASSERT_EQ(got.size(), 4u);
  const std::string tid = std::to_string(qz::platform::currentThreadId());
  const char* tails[] = {";10;Frame Enter(outer)", ";20;Frame Enter(inner)",
                         ";20;Frame Leave(inner)", ";10;Frame Leave(outer)"};
  for (size_t i = 0; i < got.size(); ++i) {
    const std::vector<std::string> f = diagtest::traceFields(got[i]);
    ASSERT_EQ(f.size(), 6u) << got[i];
    EXPECT_EQ(f[2], tid);
    EXPECT_EQ(f[3], kFile);
    EXPECT_EQ(";" + f[4] + ";" + f[5], tails[i]);
  }
}

TEST_F(CodeTrackTest, FlushWritesEveryRecordAtOnceAndEmptiesTheRing) {
  EnvVar active(ct::kActiveVariable, std::nullopt);
  EnvVar flush(ct::kFlushVariable, "");
  ct::Tracker tracker;
  qzCodeTrackEnter(kFile, 5, "f");
  EXPECT_EQ(written().size(), 1u);
  EXPECT_EQ(tracker.writeIndex(), 0u);
  qzCodeTrackLeave();
  ASSERT_EQ(written().size(), 2u);
  EXPECT_NE(written()[1].find(";5;Frame Leave(f)"), std::string::npos);
}

TEST_F(CodeTrackTest, DirectoryEndingInABackslashGetsNoSlash) {
  EnvVar temp("temp", "/nowhere\\");
  ct::Tracker tracker;
  EXPECT_EQ(tracker.outputPath().rfind("/nowhere\\codetrack.", 0), 0u) << tracker.outputPath();
}

TEST_F(CodeTrackTest, LeaveWithoutEnterAddsNothing) {
  ct::Tracker tracker;
  qzCodeTrackLeave();
  EXPECT_EQ(tracker.writeIndex(), 0u);
}

// Tests that every thread's leave closes its own frame, and no record is lost or torn.
TEST_F(CodeTrackTest, SeveralThreadsPairTheirOwnFrames) {
  EnvVar active(ct::kActiveVariable, "1");
  constexpr int kThreads = 4;
  constexpr int kFrames = 400;
  {
    ct::Tracker tracker;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([t] {
        const std::string name = "t" + std::to_string(t);
        for (int i = 0; i < kFrames; ++i) {
          qzCodeTrackFrameC a(kFile, t, name.c_str());
          qzCodeTrackFrameC b(kFile, t, (name + "b").c_str());
        }
      });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(tracker.openFrames(), 0u);
  }
  const std::vector<std::string> got = written();
  ASSERT_EQ(got.size(), static_cast<size_t>(kThreads * kFrames * 4));
  // Per thread id: the line numbers (= thread index) and names must match the thread.
  std::map<std::string, std::map<std::string, int>> perThread;
  for (const std::string& l : got) {
    const std::vector<std::string> f = diagtest::traceFields(l);
    ASSERT_EQ(f.size(), 6u) << l;
    // The frame name starts with "t" and the thread's index, which is also the line.
    const std::string kind = f[5].substr(0, 11);
    EXPECT_TRUE(kind == "Frame Enter" || kind == "Frame Leave") << l;
    EXPECT_TRUE(f[5].starts_with(kind + "(t" + f[4])) << l;
    perThread[f[2]][kind]++;
  }
  EXPECT_EQ(perThread.size(), static_cast<size_t>(kThreads));
  for (auto& [tid, kinds] : perThread) {
    EXPECT_EQ(kinds["Frame Enter"], kinds["Frame Leave"]) << tid;
  }
}

}  // namespace
