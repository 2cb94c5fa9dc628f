// Values, items, blocks, merging, copying, the cursor, numbered keys, ids and notifications.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config/config.h"
#include "tests/config/config_test_util.h"

namespace qz::config {
namespace {

using Strings = std::vector<std::string>;

TEST(ValueTest, ConversionsClampsAndLists) {
  CSConfigVal v;
  for (const char* yes : {"yes", "JA", "True", "1", "01", "1abc"}) {
    v.setText(yes);
    EXPECT_TRUE(v.asBool()) << yes;
  }
  for (const char* no : {"", "no", "2", "on", "yess"}) {
    v.setText(no);
    EXPECT_FALSE(v.asBool()) << no;
  }
  // A clamped read writes the bound back, and only then is the value modified.
  v = CSConfigVal("50");
  EXPECT_EQ(v.asIntClamped(0, 100), 50);
  EXPECT_FALSE(v.modified());
  EXPECT_EQ(v.asIntClamped(60, 100), 60);
  EXPECT_EQ(v.text(), "60");
  EXPECT_TRUE(v.modified());
  v.setText("7.5");
  EXPECT_DOUBLE_EQ(v.asDoubleClamped(0, 2.25, 3), 2.25);
  EXPECT_EQ(v.text(), "2.250");

  const float floats[] = {0.5f, 1e30f, 2};
  v.setFloats(floats, 3, 1);
  float back[2] = {0, 0};
  EXPECT_EQ(v.getFloats(back, 2), 2u);  // capacity bounds the copy
  EXPECT_FLOAT_EQ(back[1], 1e30f);
  Strings list{"plain", "with,comma", " padded ", "say \"hi\"", ""};
  v.setList(list, ',');
  EXPECT_EQ(v.getList(','), list);
}

TEST(BlockTest, AddItemKeepsTheListsInStep) {
  CSConfig config;
  CSConfigBlock* block = config.getOrCreateBlock("B");
  CSConfigItem* a = block->addItem("a", "1", 0);
  EXPECT_FALSE(a->firstValue()->modified());
  CSConfigItem* hidden = block->addItem("h", "2", kItemDisabled);
  EXPECT_EQ(block->itemCount(), 1u);
  EXPECT_EQ(block->allItemCount(), 2u);
  // Adding a hidden key again without hiding flags brings it back with the new value.
  EXPECT_EQ(block->addItem("H", "3", 0), hidden);
  EXPECT_EQ(hidden->flags(), 0);
  EXPECT_EQ(hidden->valueText(0), "3");
  EXPECT_TRUE(hidden->firstValue()->modified());
  EXPECT_EQ(block->item(1), hidden);
  // Hiding flags take a visible item out of the lookups.
  block->addItem("a", "", kItemInactive);
  EXPECT_EQ(block->findItem("a"), nullptr);
  EXPECT_EQ(block->activeIndex(a), -1);
  a->clearFlag(kItemInactive);
  EXPECT_EQ(block->findItem("a"), a);
  // A plain add of a visible item keeps its forced mark.
  a->setFlags(kItemForced);
  block->addItem("a", "x", 0);
  EXPECT_EQ(a->flags(), kItemForced);
  EXPECT_TRUE(block->removeItem("A"));
  EXPECT_FALSE(block->removeItem("a"));
  EXPECT_EQ(block->allItemCount(), 1u);
}

TEST(MergeTest, ForcedReplacesPlainFillsHiddenStaysHidden) {
  auto target = parse("[S]\nplain=mine\nempty=\nforced=mine\nhidden=mine\n");
  auto source = parse(
      "; source comment\n[S]\nplain=theirs\nempty=theirs\n#!\nforced=theirs\n"
      "#-hidden=theirs\nfresh=new\n\n[New]\n; item comment\nn=1\n; tail");
  target->mergeFrom(*source);
  EXPECT_EQ(valueOf(*target, "plain", "S"), "mine");
  EXPECT_EQ(valueOf(*target, "empty", "S"), "theirs");
  EXPECT_EQ(valueOf(*target, "forced", "S"), "theirs");
  EXPECT_EQ(target->findItem("forced", "S")->flags(), kItemForced);
  EXPECT_EQ(target->findItem("hidden", "S"), nullptr);
  EXPECT_EQ(target->findBlock("S")->findAnyItem("hidden")->valueText(0), "theirs");
  EXPECT_EQ(valueOf(*target, "fresh", "S"), "new");
  EXPECT_EQ(target->findBlock("S")->comment(), "; source comment\n");
  EXPECT_EQ(valueOf(*target, "n", "New"), "1");
  EXPECT_EQ(target->findItem("n", "New")->comment(), "; item comment\n");
  EXPECT_EQ(target->trailingComment(), "; tail");
  EXPECT_TRUE(target->isModified());
}

TEST(MergeTest, MarkedSourceBlockLeavesTheTargetItems) {
  auto target = parse("[S]\nk=mine\n");
  auto source = parse("#~\n[S]\n#!\nk=theirs\nother=1\n");
  target->mergeFrom(*source);
  EXPECT_EQ(valueOf(*target, "k", "S"), "mine");
  EXPECT_EQ(target->findItem("other", "S"), nullptr);
  EXPECT_TRUE(target->findBlock("S")->testFlag(kBlockMarked));
  target->mergeFrom(*target);  // a merge into itself changes nothing
  EXPECT_EQ(written(*target), "#~\n[S]\nk=mine\n");
}

TEST(AssignTest, CopiesContentAndFlagsButNotTheFile) {
  auto source = parse("a=1\n[S]\n;c\n#-h=2\nk=3\n;end", true);
  source->setItemCaseInsensitive(false);
  CSConfig copy("");
  copy.getOrCreateBlock("Gone");
  copy = *source;
  EXPECT_TRUE(copy.multiLine());
  EXPECT_FALSE(copy.itemCaseInsensitive());
  EXPECT_FALSE(copy.hasBlock("Gone"));
  EXPECT_EQ(written(copy), written(*source));
  copy.getValue("k", "S")->setText("changed");
  EXPECT_EQ(valueOf(*source, "k", "S"), "3");
  copy = copy;
  EXPECT_EQ(valueOf(copy, "k", "S"), "changed");
}

// Counts the change notices a configuration sends. (Its release, and the death notice that
// goes with it, are the notifying object's own.)
class Watcher : public ReferingObject {
 public:
  void notify(NotificationEvent* event, void*) override {
    if (dynamic_cast<NotificationEventConfigChanged*>(event)) ++changes;
  }
  int changes = 0;
};

TEST(NotificationTest, RemovalsNotifyOtherWritesDoNot) {
  auto config = parse("[A]\nk=1\n[B]\nj=2\n");
  Watcher watcher;
  config->addReceiver(&watcher);
  config->selectBlock("A");
  config->setString("x", "1");
  config->getValue("y", "A");
  EXPECT_EQ(watcher.changes, 0);
  EXPECT_TRUE(config->removeCursorItem("k"));
  EXPECT_EQ(watcher.changes, 1);
  EXPECT_TRUE(config->removeItemAndNotify("B", "j"));
  EXPECT_EQ(watcher.changes, 2);
  EXPECT_FALSE(config->removeItemAndNotify("Missing", "j"));
  EXPECT_EQ(watcher.changes, 2);
  EXPECT_FALSE(config->hasBlock("Missing"));
  EXPECT_TRUE(config->removeBlockAndNotify("A"));
  EXPECT_EQ(watcher.changes, 3);
  EXPECT_FALSE(config->hasBlock("A"));
}

TEST(CursorTest, TypedReadsAndWrites) {
  CSConfig config;
  EXPECT_FALSE(config.selectBlock("C"));
  EXPECT_TRUE(config.selectBlock("c"));
  config.setDouble("d", 2.5);
  config.setBool("b", true);
  config.setStrings("s", {"a,b", "c"});
  EXPECT_EQ(valueOf(config, "d", "C"), "2.500000");
  EXPECT_EQ(valueOf(config, "b", "C"), "true");
  EXPECT_EQ(valueOf(config, "s", "C"), "\"a,b\",c");
  Strings strings;
  EXPECT_TRUE(config.getStrings("s", strings));
  EXPECT_EQ(strings, (Strings{"a,b", "c"}));
  // Reads create nothing, and text that is no number leaves the output alone.
  std::string s;
  EXPECT_FALSE(config.getString("missing", s));
  EXPECT_EQ(config.findItem("missing", "C"), nullptr);
  int i = 42;
  EXPECT_FALSE(config.getInt("b", i));
  EXPECT_EQ(i, 42);
  bool b = false;
  for (const char* yes : {"TRUE", "Yes", "ja", "1"}) {
    config.setString("b", yes);
    b = false;
    EXPECT_TRUE(config.getBool("b", b) && b) << yes;
  }
  config.setString("b", "01");
  EXPECT_TRUE(config.getBool("b", b));
  EXPECT_FALSE(b);
}

TEST(CursorTest, WalkingStaysConsistentWhileRemoving) {
  auto config = parse("[A]\na1=1\na2=2\na3=3\n[B]\nb1=1\n[C]\n");
  config->rewindBlocks();
  ASSERT_EQ(config->nextBlock()->name(), "A");
  ASSERT_EQ(config->nextItem()->key(), "a1");
  ASSERT_EQ(config->nextItem()->key(), "a2");
  // Removing the current item and one before it must not skip a3.
  EXPECT_TRUE(config->removeItem("a2", "A"));
  EXPECT_TRUE(config->removeItem("a1", "A"));
  EXPECT_EQ(config->nextItem()->key(), "a3");
  EXPECT_EQ(config->nextItem(), nullptr);
  // Removing the block the cursor stands in resets the cursor but not the block walk.
  EXPECT_TRUE(config->removeBlock("A"));
  EXPECT_EQ(config->cursorBlock(), "");
  EXPECT_EQ(config->nextBlock()->name(), "B");
  // A "<default>" block created now goes first and must not be walked twice.
  config->getValue("d", kDefaultBlock);
  EXPECT_EQ(config->nextBlock()->name(), "C");
  EXPECT_EQ(config->nextBlock(), nullptr);
  EXPECT_EQ(config->nextBlock(), nullptr);
  config->rewindBlocks();
  EXPECT_EQ(config->nextBlock()->name(), kDefaultBlock);
}

TEST(NumberedKeyTest, FamiliesWriteAndReadBack) {
  CSConfig config;
  config.setNumbered("Host", "N", {"a", "b", "c"});
  EXPECT_EQ(config.itemKeys("N"), (Strings{"Host1", "Host2", "Host3"}));
  EXPECT_EQ(config.getNumbered("host", "N"), (Strings{"a", "b", "c"}));
  // A shorter list removes the members it does not have, so they cannot come back.
  config.setNumbered("Host", "N", {"x"});
  EXPECT_EQ(config.getNumbered("Host", "N"), Strings{"x"});
  config.setNumberedInts("Port", "N", {80, 443});
  EXPECT_EQ(config.getNumberedInts("Port", "N"), (std::vector<int>{80, 443}));
  config.setNumberedDoubles("W", "N", {0.5}, 1);
  EXPECT_EQ(valueOf(config, "W1", "N"), "0.5");
  EXPECT_TRUE(config.getNumbered("Host", "Missing").empty());
}

TEST(NumberedKeyTest, ReadingTakesPositionsFromTheKeys) {
  auto config = parse(
      "[N]\nItem3=c\nItem1=a\nItemX=no\nItem=no\nItem2b=no\n#-Item2=hidden\n"
      "Item99999999999=too far\nItem65537=too far\n");
  EXPECT_EQ(config->getNumbered("Item", "N"), (Strings{"a", "", "c"}));
  config->setNumbered("Item", "N", {"one", "two"});
  EXPECT_EQ(config->getNumbered("Item", "N"), (Strings{"one", "two"}));
  EXPECT_EQ(valueOf(*config, "ItemX", "N"), "no");
}

TEST(IdTest, IdsBindKeysOnce) {
  CSConfig config;
  EXPECT_EQ(config.defineId(7, "Url", "S", "jdbc:x"), 1);
  EXPECT_EQ(config.defineId(7, "Other", "S", nullptr), 1);
  EXPECT_EQ(config.findItemById(7)->key(), "Url");
  EXPECT_EQ(config.getValueById(7)->text(), "jdbc:x");
  EXPECT_NE(config.findItem("Other", "S"), nullptr);
  EXPECT_EQ(config.getValueById(8), nullptr);
  EXPECT_EQ(config.blockNames("s"), Strings{"S"});
}

TEST(WriterTest, ValuesPerMode) {
  CSConfig config;
  CSConfigItem* item = config.getOrCreateItem("k", "S");
  item->firstValue()->setText("1");
  item->addValue()->setText("2");
  EXPECT_EQ(written(config), "[S]\nk=1\n");
  config.setMultiLine(true);
  EXPECT_EQ(written(config), "[S]\nk=1\nk=2\n");
  // Every line of a hidden item carries its marker.
  item->setFlags(kItemDisabled);
  EXPECT_EQ(written(config), "[S]\n#-k=1\n#-k=2\n");
  // No values: the comment alone, never glued to the next line.
  CSConfigItem* empty = config.findBlock("S")->addItem("e", "", kItemInactive);
  empty->setComment("; none\n");
  config.getOrCreateItem("z", "S")->firstValue()->setText("9");
  EXPECT_EQ(written(config), "[S]\n#-k=1\n#-k=2\n; none\n#:INACTIVE;\nz=9\n");
}

}  // namespace
}  // namespace qz::config
