#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "config/config.h"
#include "tests/config/config_test_util.h"
#include "tests/support/scratch.h"

namespace qz::config {
namespace {

// A line as the reader classifies it: its type, key, value and flags.
TEST(ClassifyLineTest, HeadersItemsCommentsAndMarkers) {
  const struct {
    const char* line;
    int type;
    const char* key;
    const char* value;
    int flags;
  } lines[] = {
      {" \t[ Sales DB ]  trailing", kLineHeader, "Sales DB", "", 0},
      {"[open", kLineComment, "", "", 0},
      {"]x[", kLineComment, "", "", 0},
      {"[]", kLineHeader, "", "", 0},
      {"[a=b]", kLineHeader, "a=b", "", 0},
      {"  a = b = c  ", kLineItem, "a", "b = c", 0},
      {"=v", kLineItem, "", "v", 0},
      {"", kLineComment, "", "", 0},
      {"   ", kLineComment, "", "", 0},
      {"no equals", kLineComment, "", "", 0},
      {";k=v", kLineComment, "", "", 0},
      {"*k=v", kLineComment, "", "", 0},
      {"!k=v", kLineComment, "", "", 0},
      {"#k=v", kLineComment, "", "", 0},
      // Only column 0 makes a comment or a marker; a blank in front makes an item.
      {" ;k=v", kLineItem, ";k", "v", 0},
      {" #-key=value", kLineItem, "#-key", "value", 0},
      {"#-key=value", kLineItem, "key", "value", kItemDisabled},
      {"#:INACTIVE;key=value", kLineItem, "key", "value", kItemInactive},
      {"#:inactive;key=value", kLineComment, "", "", 0},  // markers compare exactly
      // Switched-off headers are comments, whichever marker.
      {"#-[Block]", kLineComment, "", "", 0},
      {"#:INACTIVE;  [Block]", kLineComment, "", "", 0},
      {"#-no equals", kLineComment, "", "", 0},
  };
  for (const auto& l : lines) {
    CSConfig config;
    int type = -1, flags = 0;
    std::string key, value;
    config.classifyLine(l.line, type, key, value, flags);
    EXPECT_EQ(type, l.type) << '"' << l.line << '"';
    if (type == kLineComment) continue;
    EXPECT_EQ(key, l.key) << '"' << l.line << '"';
    if (type == kLineItem) {
      EXPECT_EQ(value, l.value) << '"' << l.line << '"';
    }
    EXPECT_EQ(flags, l.flags) << '"' << l.line << '"';
  }
}

TEST(ReaderTest, CommentsOnlyGiveNoBlocks) {
  auto config = parse("; one\n\n; two\n");
  EXPECT_EQ(config->blockCount(), 0u);
  EXPECT_EQ(config->trailingComment(), "; one\n\n; two");
}

TEST(ReaderTest, DefaultBlockIsFirstAndCaseRulesApply) {
  auto config = parse("[B]\nk=1\n[<Default>]\nd=2\n[b]\nK=3\n");
  ASSERT_EQ(config->blockCount(), 2u);
  EXPECT_EQ(config->block(0)->name(), kDefaultBlock);
  EXPECT_EQ(config->block(1)->name(), "B");
  EXPECT_EQ(valueOf(*config, "k", "b"), "3");
  EXPECT_EQ(valueOf(*config, "D", "<DEFAULT>"), "2");

  auto exact = parse("[B]\nk=1\n[b]\nK=3\n", false, false);
  ASSERT_EQ(exact->blockCount(), 2u);
  EXPECT_EQ(valueOf(*exact, "k", "B"), "1");
  EXPECT_EQ(exact->findItem("K", "B"), nullptr);
  EXPECT_EQ(exact->findBlock(" B "), exact->block(0));
  // Switching the rule later re-sorts what is there.
  exact->setItemCaseInsensitive(true);
  EXPECT_EQ(valueOf(*exact, "K", "B"), "1");
  exact->setBlockCaseInsensitive(true);
  EXPECT_NE(exact->findBlock("b"), nullptr);
}

TEST(ReaderTest, HiddenItemsAreKeptButNotFound) {
  auto config = parse("[S]\n#-off=1\n#:INACTIVE;idle=2\non=3\n");
  CSConfigBlock* block = config->findBlock("S");
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->allItemCount(), 3u);
  EXPECT_EQ(block->itemCount(), 1u);
  EXPECT_EQ(config->findItem("off", "S"), nullptr);
  EXPECT_EQ(config->findItem("idle", "S"), nullptr);
  ASSERT_NE(block->findAnyItem("off"), nullptr);
  EXPECT_EQ(block->findAnyItem("off")->flags(), kItemDisabled);
  EXPECT_EQ(block->findAnyItem("idle")->valueText(0), "2");
  EXPECT_EQ(config->itemKeys("S"), std::vector<std::string>{"on"});
  // Asking for a hidden key treats it as missing: it comes back visible with the default.
  EXPECT_EQ(config->getValue("off", "S", "dflt")->text(), "dflt");
  EXPECT_NE(config->findItem("off", "S"), nullptr);
  EXPECT_EQ(block->itemCount(), 2u);
}

TEST(ReaderTest, HiddenLineOverAVisibleItemHidesIt) {
  auto config = parse("[S]\nk=1\n#-k=2\n");
  CSConfigBlock* block = config->findBlock("S");
  EXPECT_EQ(block->allItemCount(), 1u);
  EXPECT_EQ(block->itemCount(), 0u);
  EXPECT_EQ(block->findAnyItem("k")->valueText(0), "2");
  // And a visible line brings it back.
  std::istringstream more("[S]\nk=3\n");
  config->readStream(more, false);
  EXPECT_EQ(valueOf(*config, "k", "S"), "3");
  EXPECT_EQ(block->findAnyItem("k")->flags(), kItemNormal);
}

TEST(ReaderTest, ForcedItemsAndMarkedBlocks) {
  auto config = parse("; plain\n#~\n[M]\n  #! why\na=1\nb=2\n[N]\nc=3\n");
  EXPECT_TRUE(config->findBlock("M")->testFlag(kBlockMarked));
  EXPECT_FALSE(config->findBlock("N")->testFlag(kBlockMarked));
  EXPECT_EQ(config->findItem("a", "M")->flags(), kItemForced);
  EXPECT_EQ(config->findItem("a", "M")->comment(), "  #! why\n");
  EXPECT_EQ(config->findItem("b", "M")->flags(), kItemNormal);
  // Reopening a block recomputes its mark from the new comment.
  std::istringstream more("[M]\nd=4\n");
  config->readStream(more, false);
  EXPECT_FALSE(config->findBlock("M")->testFlag(kBlockMarked));
}

// A new configuration holds one value per item, as an ordinary reader expects.
TEST(ReaderTest, NewConfigurationKeepsTheLastOfARepeatedKey) {
  CSConfig config;
  EXPECT_FALSE(config.multiLine());
  std::istringstream in("k=1\nK=2\n");
  config.readStream(in, false);
  CSConfigItem* item = config.findItem("k", kDefaultBlock);
  ASSERT_EQ(item->valueCount(), 1u);
  EXPECT_EQ(item->valueText(0), "2");
}

TEST(ReaderTest, ReadingAccumulatesAndKeepModifiedProtectsProgramValues) {
  auto config = parse("[S]\na=1\nb=1\n");
  EXPECT_FALSE(config->isModified());
  config->getValue("a", "S")->setText("mine");
  EXPECT_TRUE(config->isModified());

  std::istringstream again("[S]\na=2\nb=2\nc=2\n[T]\nx=1\n");
  EXPECT_EQ(config->readStream(again, true), kConfigDone);
  EXPECT_EQ(valueOf(*config, "a", "S"), "mine");
  EXPECT_EQ(valueOf(*config, "b", "S"), "2");
  EXPECT_EQ(valueOf(*config, "c", "S"), "2");
  EXPECT_TRUE(config->hasBlock("T"));

  // Without keepModified the file wins, but the value keeps its modified mark.
  std::istringstream third("[S]\na=3\n");
  config->readStream(third, false);
  EXPECT_EQ(valueOf(*config, "a", "S"), "3");
  EXPECT_TRUE(config->isModified());
}

TEST(ReaderTest, MalformedInputIsReadWithoutHarm) {
  const char kLines[] = "[\0]\n=\n==\n[\n]\n[[]]\n\0=\0\n#-\n#:INACTIVE;\n#-#-x=1\n";
  std::string nasty(kLines, sizeof kLines - 1);
  nasty += std::string(1 << 20, 'x') + "=" + std::string(1 << 16, 'y') + "\n";
  for (int c = 1; c < 256; ++c) nasty += static_cast<char>(c);
  auto config = parse(nasty);
  EXPECT_NE(config->findBlock(std::string("\0", 1)), nullptr);
  EXPECT_NE(config->findItem(std::string(1 << 20, 'x'), "["), nullptr);
  EXPECT_EQ(config->findItem(std::string(1, '\0'), "[")->valueText(0), std::string(1, '\0'));
  std::ostringstream out;
  EXPECT_EQ(config->writeStream(out), kConfigDone);
}

TEST(ReaderTest, AByteOrderMarkIsNotPartOfTheFirstLine) {
  auto config = parse("\xEF\xBB\xBF[mem]\r\nURL=x\r\n");
  EXPECT_EQ(valueOf(*config, "URL", "mem"), "x");
  config = parse("\xEF\xBB\xBFkey=v\n[b]\n\xEF\xBB\xBFk=w\n");
  EXPECT_EQ(valueOf(*config, "key", kDefaultBlock), "v");
  EXPECT_EQ(valueOf(*config, "\xEF\xBB\xBFk", "b"), "w") << "only the stream's start";

  // A key that starts with a mark of its own keeps it through a write and a read.
  config = parse("\xEF\xBB\xBF\xEF\xBB\xBFkey=v\n");
  std::ostringstream out;
  ASSERT_EQ(config->writeStream(out), kConfigDone);
  EXPECT_EQ(valueOf(*parse(out.str()), "\xEF\xBB\xBFkey", kDefaultBlock), "v");
}

// A FIFO would block the reader until some writer came; a directory would read as empty.
TEST(ReaderTest, WhatIsNotARegularFileIsRefusedUnread) {
  qztest::ScratchDir scratch("qzcfg");
  const std::string& root = scratch.path();
  const std::string fifo = root + "/fifo.cfg", dir = root + "/dir.cfg", file = root + "/a.cfg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directory(dir);
  std::ofstream(file) << "\xEF\xBB\xBF[s]\na=1\n";
  std::filesystem::create_symlink(fifo, root + "/link.cfg");
  CSConfig config;
  EXPECT_EQ(config.load(fifo), kConfigNotRegularFile);
  EXPECT_EQ(config.load(root + "/link.cfg"), kConfigNotRegularFile) << "a link to a FIFO";
  EXPECT_EQ(config.load(dir), kConfigNotRegularFile);
  EXPECT_EQ(config.load(root + "/missing.cfg"), kConfigNothingRead);
  EXPECT_EQ(config.load(file), kConfigDone);
  EXPECT_EQ(valueOf(config, "a", "s"), "1");
}

// Serves its text, then fails the way a broken device does.
class FailingBuffer : public std::streambuf {
 public:
  explicit FailingBuffer(std::string text) : text_(std::move(text)) {
    setg(text_.data(), text_.data(), text_.data() + text_.size());
  }

 protected:
  int_type underflow() override { throw std::runtime_error("device gone"); }

 private:
  std::string text_;
};

TEST(ReaderTest, StreamFailureKeepsWhatWasRead) {
  FailingBuffer buffer("[S]\na=1\nb=2");
  std::istream in(&buffer);
  CSConfig config;
  EXPECT_EQ(config.readStream(in, false), kConfigStreamFailed);
  EXPECT_EQ(valueOf(config, "a", "S"), "1");
  // The line cut by the failure is not taken for a whole one.
  EXPECT_EQ(config.findItem("b", "S"), nullptr);
}

}  // namespace
}  // namespace qz::config
