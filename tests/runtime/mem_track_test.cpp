// Memory reports on known allocation patterns. Runs with QZMEMTRACK_LOCATION set, so every
// block carries its allocation stack.
#include "runtime/mem_track.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/thread.h"
#include "tests/runtime/diag_test_util.h"

namespace mm = qz::memman;
namespace mt = qz::memtrack;

namespace {

std::string gText;
std::vector<size_t> gPieces;
void capture(const char* text) {
  gText += text;
  gPieces.push_back(std::strlen(text));
}

std::string hex(const void* p) {
  char text[24];
  std::snprintf(text, sizeof text, "%016llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
  return text;
}

std::string pidAndModule() {
  return "(Pid=" + std::to_string(qz::platform::currentProcessId()) + ",runtime_mem_track_test)";
}

void* zeroed(size_t size) {
  void* p = qzAlloc(size);
  std::memset(p, 0, size);
  return p;
}

__attribute__((noinline)) void* allocateLinkedPair(void** child) {
  void* parent = zeroed(16);
  *child = zeroed(8);
  std::memcpy(parent, child, sizeof(void*));
  return parent;
}

__attribute__((noinline)) void freeTwice(void* p) {
  qzFree(p);
  qzFree(p);
  asm volatile("");  // keeps this frame on the stack: no tail call
}

#if defined(__SANITIZE_ADDRESS__)
__attribute__((no_sanitize_address))
#endif
void poke(unsigned char* where, unsigned char value) {
  *where = value;
}

class Widget : public memManInterfaceC {
 public:
  ~Widget() override = default;
  long value = 0;
};

class MemTrackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gText.clear();
    gPieces.clear();
    saved_ = mt::options();
    mt::setOptions(mt::Options{});
    mt::installAllocatorHooks();
    mm::flushThreadCache();
    ASSERT_TRUE(mm::liveBlocks().empty()) << "a test left blocks behind";
  }
  void TearDown() override { mt::setOptions(saved_); }

  mt::Options saved_;
};

TEST_F(MemTrackTest, SummaryListsExactlyTheLiveGroupsInPiecesOf80) {
  void* small[3] = {zeroed(24), zeroed(24), zeroed(24)};
  void* large = zeroed(3000);
  const void* first = std::min({small[0], small[1], small[2]});
  mt::summaryReport(&capture);
  EXPECT_EQ(gText, "QZMEMTRACK Summary Report " + pidAndModule() + "\n" +
                       "Mem     72, Cnt      3, Name unk (24) (0x" + hex(first) + " + 0x0000)\n" +
                       "Mem   3000, Cnt      1, Name unk (3000) (0x" + hex(large) + " + 0x0000)\n" +
                       "Mgr Bytes : 72\nOS  Bytes : 3000\n");
  for (size_t n : gPieces) EXPECT_LE(n, 80u);
  for (void* p : small) qzFree(p);
  qzFree(large);
}

TEST_F(MemTrackTest, TypeInfoNamesObjectsByTheirClass) {
  mt::setOptions(mt::Options{mt::kTypeInfo, {}, false});
  Widget* w = new Widget;
  void* plain = zeroed(8);
  mt::summaryReport(&capture);
  EXPECT_NE(gText.find("Cnt      1, Name vtable for (anonymous namespace)::Widget (16)"),
            std::string::npos)
      << gText;
  EXPECT_NE(gText.find("Cnt      1, Name unk (8)"), std::string::npos) << gText;
  delete w;
  qzFree(plain);
}

TEST_F(MemTrackTest, DetailNamesParentsAndAllocationStacks) {
  mt::setOptions(mt::Options{mt::kLocations, {}, false});
  void* child = nullptr;
  void* parent = allocateLinkedPair(&child);
  mt::detailReport(&capture);
  const std::vector<std::string> got = diagtest::lines(gText);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got[0], "QZMEMTRACK Detail Memory Report " + pidAndModule());
  size_t parentAt = 0;
  size_t childAt = 0;
  for (size_t i = 1; i < got.size(); ++i) {
    EXPECT_EQ(got[i].find("qzAlloc"), std::string::npos) << "allocator frames are left out";
    if (got[i].find(hex(parent)) != std::string::npos) parentAt = i;
    if (got[i].find(hex(child)) != std::string::npos) childAt = i;
  }
  ASSERT_NE(parentAt, 0u);
  ASSERT_NE(childAt, 0u);
  EXPECT_EQ(got[parentAt].find("Parent"), std::string::npos) << got[parentAt];
  const std::string parentId = got[parentAt].substr(3, 6);
  EXPECT_NE(got[childAt].find(",Parent " + parentId + ",Mem      8, Cnt      1, Name unk (8)"),
            std::string::npos)
      << got[childAt];
  for (size_t at : {parentAt, childAt}) {
    ASSERT_LT(at + 1, got.size());
    EXPECT_TRUE(got[at + 1].starts_with("no file(0) : (anonymous namespace)::allocateLinkedPair("))
        << got[at + 1];
    EXPECT_NE(got[at + 1].find(" Modul: runtime_mem_track_test) SEQ: "), std::string::npos);
  }
  qzFree(parent);
  qzFree(child);
}

TEST_F(MemTrackTest, ComparisonShowsExactlyWhatChangedSinceTheSnapshot) {
  void* kept[3] = {zeroed(24), zeroed(24), zeroed(24)};
  dynMgrChainS link;
  link.takeSnapshot();
  void* added[2] = {zeroed(40), zeroed(40)};
  qzFree(kept[1]);
  link.compareReport(&capture);
  EXPECT_EQ(gText,
            "QZMEMTRACK Compare Snap (runtime_mem_track_test)\n"
            "Mem    -24, Befor=  3, After=  2,Diff= -1, Name unk (24)\n"
            "Mem     80, Befor=  0, After=  2,Diff=  2, Name unk (40)\n");
  for (void* p : {kept[0], kept[2], added[0], added[1]}) qzFree(p);
}

TEST_F(MemTrackTest, ConsistencyCheckFindsADamagedGuardByteAndPage) {
  auto* block = static_cast<unsigned char*>(zeroed(13));
  auto* other = static_cast<unsigned char*>(zeroed(1000));
  mt::consistencyReport(&capture);
  EXPECT_EQ(gText, "") << "an intact allocator reports nothing";

  poke(block + 13, 0);
  mt::consistencyReport(&capture);
  EXPECT_EQ(gText, "Invalid Block " + hex(block) + "\n");
  poke(block + 13, mm::kGuardByte);

  gText.clear();
  auto* marker =
      static_cast<unsigned char*>(const_cast<void*>(mm::pageOf(other))) + mm::kCellAreaBytes;
  const unsigned char saved = *marker;
  poke(marker, saved ^ 0xFF);
  mt::consistencyReport(&capture);
  EXPECT_EQ(gText, "invalid page block\n");
  poke(marker, saved);

  gText.clear();
  mt::consistencyReport(&capture);
  EXPECT_EQ(gText, "");
  qzFree(block);
  qzFree(other);
}

// Tests that a cycle a -> b -> c -> a ends and every block is listed once.
TEST_F(MemTrackTest, InspectionFollowsReferencesThroughACycleOnce) {
  void* a = zeroed(16);
  void* b = zeroed(16);
  void* c = zeroed(16);
  std::memcpy(a, &b, sizeof b);
  std::memcpy(b, &c, sizeof c);
  std::memcpy(c, &a, sizeof a);
  auto line = [](void* p) {
    return "Mem     16, Cnt      1, Name unk (16) (0x" + hex(p) + " + 0x0000)\n";
  };
  mt::inspectReport(static_cast<char*>(a) + 4, &capture);
  EXPECT_EQ(gText, "QZMEMTRACK Inspect Addr " + hex(static_cast<char*>(a) + 4) + " " +
                       pidAndModule() + "\nObject:\n" + line(a) + "Parents:\n" + line(c) +
                       "direct Childs:\n" + line(b) + "Bytes : 16\nall Childs:\n" + line(b) +
                       line(c) + "Bytes : 32\n");

  gText.clear();
  int local = 0;
  mt::inspectReport(&local, &capture);
  EXPECT_NE(gText.find("\nNot in Mgr found!\n"), std::string::npos) << gText;
  for (void* p : {a, b, c}) qzFree(p);
}

TEST_F(MemTrackTest, OutputFileTakesEveryReportAndALongNameIsRefused) {
  diagtest::ScratchDir dir;
  const std::string file = dir.path() + "/report.txt";
  mt::Options o;
  std::strcpy(o.outputFile, file.c_str());
  mt::setOptions(o);
  mt::summaryReport(&capture);
  mt::summaryReport(&capture);
  EXPECT_EQ(gText, "") << "nothing goes to the output function";
  const std::string written = diagtest::readFile(file);
  EXPECT_EQ(written.find("QZMEMTRACK Summary Report"), 0u);
  EXPECT_NE(written.find("QZMEMTRACK Summary Report", 1), std::string::npos) << "appended";

  mm::ReportOutput previous = mm::setReportOutput(&capture);
  {
    diagtest::EnvVar longName("QZMEMTRACK_OUTPUT", std::string(128, 'x'));
    mt::Options refused = mt::readOptions();
    EXPECT_TRUE(refused.outputRefused);
    EXPECT_EQ(refused.outputFile[0], '\0');
    EXPECT_NE(gText.find("QZMEMTRACK_OUTPUT is longer than 127 characters"), std::string::npos);
  }
  {
    diagtest::EnvVar fits("QZMEMTRACK_OUTPUT", std::string(127, 'y'));
    mt::Options accepted = mt::readOptions();
    EXPECT_FALSE(accepted.outputRefused);
    EXPECT_EQ(std::string(accepted.outputFile), std::string(127, 'y'));
  }
  mm::setReportOutput(previous);
}

TEST_F(MemTrackTest, DoubleFreeIsReportedWithTheCallersStack) {
  mm::ReportOutput previous = mm::setReportOutput(&capture);
  freeTwice(qzAlloc(8));
  mm::setReportOutput(previous);
  EXPECT_EQ(gText.find("free called on free object\n"
                       "no file(0) : (anonymous namespace)::freeTwice(void*) ("),
            0u)
      << gText;
}

// Two modules' links in one process: the second joins the first's chain through the variable.
TEST(ManagerChainTest, SecondLinkJoinsAndTheHeadTakesTheVariableAlong) {
  const std::string name = dynMgrChainS::variableName();
  ASSERT_EQ(name.rfind("QZDYNMGRV8_", 0), 0u);
  {
    auto first = std::make_unique<dynMgrChainS>();
    const char* value = std::getenv(name.c_str());
    ASSERT_NE(value, nullptr);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%p", static_cast<void*>(first.get()));
    EXPECT_STREQ(value, expected);
    auto second = std::make_unique<dynMgrChainS>();
    auto third = std::make_unique<dynMgrChainS>();
    EXPECT_EQ(second->head(), first.get());
    EXPECT_EQ(first->next(), third.get()) << "each joins right behind the head";
    EXPECT_EQ(third->next(), second.get());
    third.reset();
    EXPECT_EQ(first->next(), second.get());
    first.reset();
    EXPECT_EQ(std::getenv(name.c_str()), nullptr);
    EXPECT_EQ(second->head(), nullptr) << "told that the chain is gone";
  }
  dynMgrChainS fresh;
  EXPECT_EQ(fresh.head(), &fresh) << "a new head after the old one left";
  EXPECT_EQ(fresh.peakMemory(), fresh.peakHeapBytes() + fresh.peakPageBytes());
  EXPECT_EQ(fresh.peakPageBytes(), mm::counters().pagePeak * 10000);
}

}  // namespace
