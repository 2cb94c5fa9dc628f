// Files read and written back without changes must come out as they went in, apart from the
// normalisations the format documents; an edit must touch only its own lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "config/config.h"
#include "tests/config/config_test_util.h"
#include "tests/support/scratch.h"

namespace qz::config {
namespace {

std::string dataPath(const std::string& name) {
  const char* root = std::getenv("QZ_TEST_SOURCE_DIR");
  return std::string(root != nullptr ? root : ".") + "/tests/config/data/" + name;
}

using qztest::readFile;

std::string toCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string rewrite(const std::string& text, bool multiLine = false) {
  return written(*parse(text, multiLine));
}

// Replaces the one occurrence of `from` in text.
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

struct CorpusFile {
  const char* name;
  bool multiLine;
};

class CorpusTest : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(CorpusTest, ReadsAndWritesBackUnchanged) {
  std::string original = readFile(dataPath(GetParam().name));
  ASSERT_FALSE(original.empty());
  EXPECT_EQ(rewrite(original, GetParam().multiLine), original);
  // CR LF files come back with LF, and nothing else changes.
  EXPECT_EQ(rewrite(toCrLf(original), GetParam().multiLine), original);
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusTest,
                         ::testing::Values(CorpusFile{"jdbc.cfg", false},
                                           CorpusFile{"dbproxy.cfg", false},
                                           CorpusFile{"comments_only.cfg", false},
                                           CorpusFile{"default_only.cfg", false},
                                           CorpusFile{"multiline.cfg", true}),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           return name.substr(0, name.find('.'));
                         });

TEST(RoundTripTest, DocumentedNormalisations) {
  // Comment lines lose their blanks; empty comment lines stay.
  EXPECT_EQ(rewrite("  ; indented  \n\n\t\nk=v\n"), "; indented\n\n\nk=v\n");
  // Items and headers lose the blanks around their parts.
  EXPECT_EQ(rewrite("  [ Block ]  \n  key  =  a = b  \n"), "[Block]\nkey=a = b\n");
  // Marker lines in comments are neutralised unless the flags put them back.
  EXPECT_EQ(rewrite("#~x\n#-[Old]\n[B]\nk=v\n"), "#~x\n# [Old]\n[B]\nk=v\n");
  EXPECT_EQ(rewrite(";c\n#-[Old]\nk=v\n"), ";c\n# [Old]\nk=v\n");
  EXPECT_EQ(rewrite("#~block mark on an item\nk=v\n"), "# block mark on an item\nk=v\n");
  // A header without a comment gets an empty line before it, once.
  std::string spaced = rewrite("[a]\nx=1\n[b]\ny=2\n");
  EXPECT_EQ(spaced, "[a]\nx=1\n\n[b]\ny=2\n");
  EXPECT_EQ(rewrite(spaced), spaced);
  // A missing final line break is added; empty lines at the very end go.
  EXPECT_EQ(rewrite("k=v"), "k=v\n");
  EXPECT_EQ(rewrite("k=v\n\n\n"), "k=v\n");
  EXPECT_EQ(rewrite("k=v\n;end\n\n"), "k=v\n;end\n");
  EXPECT_EQ(rewrite(""), "");
  // Blanks and carriage returns at line ends never survive, wherever they are.
  EXPECT_EQ(rewrite("k=v \r\r\n;c\r \r\n"), "k=v\n;c\n");
}

TEST(RoundTripTest, ItemsBeforeAnyHeaderAndTheDefaultBlock) {
  // Items before the first header, and those of a later "<default>" header, are written
  // first without a header; the comment before that header is not lost.
  EXPECT_EQ(rewrite("a=1\n[S]\nb=2\n; why\n[<DEFAULT>]\nc=3\n"), "a=1\n; why\nc=3\n\n[S]\nb=2\n");
  EXPECT_EQ(rewrite("; only a header\n[<default>]\n"), "; only a header\n");
}

TEST(RoundTripTest, ReopenedBlocksAndDuplicateKeys) {
  // A second header of the same name, in any case, reopens the block and replaces its
  // comment; a repeated key keeps the last value.
  EXPECT_EQ(rewrite("[A]\nk=1\n\n; again\n[a]\nj=2\nK=3\n"), "\n; again\n[A]\nk=3\nj=2\n");
  EXPECT_EQ(rewrite("[A]\nk=1\nk=2\n", true), "[A]\nk=1\nk=2\n");
  // In multi-line mode the comments of all the item's lines stay, in front of them.
  EXPECT_EQ(rewrite("[A]\n;one\nk=1\n;two\nk=2\n", true), "[A]\n;one\n;two\nk=1\nk=2\n");
}

TEST(RoundTripTest, HiddenItemsKeepTheirMarkers) {
  const std::string text =
      "[B]\n"
      "; off for now\n"
      "#-Disabled=1\n"
      "#:INACTIVE;Inactive=2\n"
      "#- Spaced = 3\n";
  EXPECT_EQ(rewrite(text), "[B]\n; off for now\n#-Disabled=1\n#:INACTIVE;Inactive=2\n#-Spaced=3\n");
  // A key that would read as a comment is written one blank in, so it stays an item.
  EXPECT_EQ(rewrite(" ;odd=1\n#- #odd=2\n"), " ;odd=1\n#- #odd=2\n");
  // A switched-off header stays a comment, with either marker.
  EXPECT_EQ(rewrite("#:INACTIVE;[Old]\nk=v\n"), "#:INACTIVE;[Old]\nk=v\n");
}

// Each edit must change only its own lines of the file.
TEST(EditTest, AnEditTouchesOnlyItsOwnLines) {
  const struct {
    const char* what;
    std::function<void(CSConfig&)> edit;
    const char* from;
    const char* to;
  } edits[] = {
      {"a changed value",
       [](CSConfig& c) { c.getValue("URL", "sales")->setText("jdbc:postgresql://db9:5432/sales"); },
       "URL=jdbc:postgresql://db1:5432/sales\n", "URL=jdbc:postgresql://db9:5432/sales\n"},
      {"an added item goes to the end of its block",
       [](CSConfig& c) { c.getValue("Pool", "Sales", "4"); }, "ServerDB=POSTGRES\n",
       "ServerDB=POSTGRES\nPool=4\n"},
      {"a removed item takes its comment along",
       [](CSConfig& c) { EXPECT_TRUE(c.removeItem("Retries", "SalesTest")); },
       "\n#!always override\n# even when the target has a value\nRetries=3\n", ""},
      {"hiding and forcing write their markers",
       [](CSConfig& c) {
         c.findItem("ServerDB", "Sales")->addFlag(kItemDisabled);
         EXPECT_EQ(c.findItem("ServerDB", "Sales"), nullptr);
         c.findItem("DriverClass", "Sales")->setFlags(kItemForced);
       },
       "DriverClass=org.postgresql.Driver\nServerDB=POSTGRES\n",
       "#!\nDriverClass=org.postgresql.Driver\n#-ServerDB=POSTGRES\n"},
      // A lookup is not an edit: the forced mark must survive it.
      {"a read of a forced item",
       [](CSConfig& c) {
         EXPECT_EQ(c.getValue("Timeout", "SalesTest", "9")->text(), "5");
         EXPECT_EQ(c.findItem("Timeout", "SalesTest")->flags(), kItemForced);
       },
       "", ""},
  };
  const std::string original = readFile(dataPath("jdbc.cfg"));
  for (const auto& e : edits) {
    SCOPED_TRACE(e.what);
    auto config = parse(original);
    e.edit(*config);
    EXPECT_EQ(written(*config), *e.from ? replaced(original, e.from, e.to) : original);
  }
}

}  // namespace
}  // namespace qz::config
