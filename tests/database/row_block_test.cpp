// Forward-only, read-only record sets read their rows in blocks, with the Java cursor ahead of
// the row in the buffers; scrollable ones read row by row. Both must show exactly the same
// thing for every row: values, indicators, cuts, whole texts, and the empty text as the
// EMPTYISNULL option says at the time each row is read.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/database/rs_fixture.h"

namespace {

using dbtest::RecordSetFixture;
using qztest::Obj;
using qztest::Outcome;
using qztest::Value;

constexpr int kRows = 300;    // well beyond the first blocks
constexpr int kWideRow = 77;  // its note is wider than the first block buffer
constexpr int kSwitchRow = 150;

class RowBlockTest : public RecordSetFixture {
 protected:
  void SetUp() override {
    RecordSetFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    exec("CREATE TABLE " + table_ +
         " (id INT PRIMARY KEY, name VARCHAR(20), note VARCHAR(100000), amount DECIMAL(12,2))");
    for (int i = 1; i <= kRows; ++i) {
      std::string note = "NULL";
      if (i % 7 == 0) note = "''";
      if (i % 11 == 0) note = "'Zoë Müller " + std::to_string(i) + "'";
      if (i == kWideRow) note = "REPEAT('ü', 40000)";  // 80,000 bytes, cut at 400
      exec("INSERT INTO " + table_ + " VALUES (" + std::to_string(i) + ", 'n" + std::to_string(i) +
           "', " + note + ", " + std::to_string(i) + ".25)");
    }
  }

  // Everything a script can see of each row, walking forward; EMPTYISNULL goes off at
  // kSwitchRow, and a refused move at row 20 must change nothing.
  std::vector<std::string> seen(int32_t cursorType) {
    Obj rs = open("SELECT id, name, note, amount FROM " + table_ + " ORDER BY id", cursorType);
    Obj f = fieldsOf(rs);
    std::vector<std::string> rows;
    while (rs.get("Eof").asInt() == 0) {
      const int row = static_cast<int>(rows.size()) + 1;
      if (row == kSwitchRow) rs.call("option", "EMPTYISNULL", 0);
      if (row == 20 && cursorType == 1) {
        EXPECT_FALSE(rs.tryCall("fetch", 5, 0).ok()) << "forward-only refuses to go back";
      }
      if (row == kSwitchRow) rs.call("fetch", 3, 0);  // the option follows from the next row
      std::string text;
      for (int32_t c = 0; c < 4; ++c) {
        const Value full = f.call("FullText", c);
        text += valueText(f.call("Field", c, 3)) + "|" +
                std::to_string(f.call("Field", c, 4).asInt()) + "|" +
                std::to_string(f.call("Cut", c).asInt()) + "|" +
                (full.isUndef() ? "<null>" : std::to_string(full.text().size())) + ";";
      }
      rows.push_back(text);
      rs.call("fetch", 3, 0);
    }
    EXPECT_EQ(rs.call("fetch", 3, 0).asInt(), 1) << "past the end stays past the end";
    EXPECT_EQ(rs.get("Eof").asInt(), 1);
    return rows;
  }
};

TEST_P(RowBlockTest, BlocksShowWhatRowByRowReadingShows) {
  const std::vector<std::string> blocks = seen(1);
  const std::vector<std::string> single = seen(2);
  ASSERT_EQ(blocks.size(), static_cast<size_t>(kRows - 1)) << "one row skipped at the switch";
  ASSERT_EQ(blocks.size(), single.size());
  for (size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(blocks[i], single[i]) << "row " << i + 1;
  // Spot checks that the comparison compares something.
  EXPECT_NE(blocks[kWideRow - 1].find("|40000|1|80000;"), std::string::npos)
      << "the wide note is cut in the buffer and whole in FullText";
  EXPECT_NE(blocks[6].find(";<null>|-1|0|<null>;"), std::string::npos)
      << "'' reads as NULL at first: " << blocks[6];
  EXPECT_NE(blocks[161 - 2].find(";|0|0|0;"), std::string::npos)
      << "and as itself once EMPTYISNULL is off: " << blocks[161 - 2];
}

TEST_P(RowBlockTest, RowHandsEveryColumnAsOneArray) {
  Obj rs = open("SELECT id, name, note, amount FROM " + table_ + " ORDER BY id");
  Obj f = fieldsOf(rs);
  for (int row = 1; row <= 12; ++row) {
    const Value values = f.call("Row", 3);
    const Value indicators = f.call("Row", 4);
    ASSERT_EQ(values.type(), kVtArray);
    ASSERT_EQ(indicators.type(), kVtArray);
    qzVariantArrayC* v = values.variant().value.a;
    qzVariantArrayC* n = indicators.variant().value.a;
    ASSERT_EQ(v->count(), 4);
    for (int32_t c = 0; c < 4; ++c) {
      EXPECT_EQ(valueText(Value(v->element(c))), valueText(f.call("Field", c, 3)))
          << "row " << row << " column " << c;
      EXPECT_EQ(n->element(c).value.i, f.call("Field", c, 4).asInt());
    }
    rs.call("fetch", 3, 0);
  }
  const Value names = f.call("Row", 1);
  EXPECT_EQ(Value(names.variant().value.a->element(3)).text(), postgres() ? "amount" : "AMOUNT");
  EXPECT_TRUE(f.call("Row", "no number").isUndef());

  rs.call("transaction", "SQLEXEC");
  EXPECT_TRUE(f.call("Row", 3).isUndef()) << "nothing described: nothing to hand";
}

// Rows hands what Row hands row by row, and leaves the record set where fetch would have.
TEST_P(RowBlockTest, RowsHandsBlocksOfRowsAndMovesOn) {
  Obj rs = open("SELECT id, name, note, amount FROM " + table_ + " ORDER BY id");
  Obj f = fieldsOf(rs);
  EXPECT_EQ(f.call("Rows", 0, 3).variant().value.a->count(), 0);
  ASSERT_EQ(valueText(f.call("Field", 0, 3)), "1") << "Rows(0) moves nothing";
  Obj single = open("SELECT id, name, note, amount FROM " + table_ + " ORDER BY id");
  Obj g = fieldsOf(single);
  int row = 0;
  std::vector<int32_t> sizes;
  for (int32_t code : {3, 4, 3}) {
    const Value block = f.call("Rows", 128, code);
    ASSERT_EQ(block.type(), kVtArray);
    qzVariantArrayC* rows = block.variant().value.a;
    sizes.push_back(rows->count());
    for (int32_t r = 0; r < rows->count(); ++r, ++row) {
      qzVariantArrayC* values = rows->element(r).value.a;
      ASSERT_EQ(values->count(), 4);
      for (int32_t c = 0; c < 4; ++c) {
        const Value expected = g.call("Field", c, code);
        EXPECT_EQ(valueText(Value(values->element(c))), valueText(expected))
            << "row " << row + 1 << " column " << c;
        EXPECT_EQ(values->element(c).type, expected.variant().type) << "NULL stays nil";
      }
      single.call("fetch", 3, 0);
    }
    if (row < kRows) {
      EXPECT_EQ(valueText(f.call("Field", 0, 3)), std::to_string(row + 1));
    }
  }
  EXPECT_EQ(sizes, (std::vector<int32_t>{128, 128, kRows - 256})) << "the last block is partial";
  EXPECT_EQ(rs.get("Eof").asInt(), 1);
  EXPECT_EQ(f.call("Rows", 128, 3).variant().value.a->count(), 0) << "nothing past the end";
  EXPECT_TRUE(f.call("Rows", "many", 3).isUndef());
  rs.call("transaction", "SQLEXEC");
  EXPECT_TRUE(f.call("Rows", 5, 3).isUndef()) << "nothing described: nothing to hand";
}

// Changing the cursor type closes the statement: rows read ahead must not be served after.
TEST_P(RowBlockTest, RowsReadAheadGoWithTheirStatement) {
  Obj rs = open("SELECT id FROM " + table_ + " ORDER BY id");
  rs.call("fetch", 3, 0);
  ASSERT_EQ(valueText(fieldsOf(rs).call("Field", 0, 3)), "2");
  ASSERT_EQ(setOption(rs, 1, 2), kQzOk);
  EXPECT_EQ(valueText(fieldsOf(rs).call("Field", 0, 3)), "2") << "the row read stays";
  // A closed result refuses to move (PostgreSQL); HSQLDB's outlives its statement and goes
  // on in order.
  const Outcome o = rs.tryCall("fetch", 3, 0);
  if (postgres()) {
    EXPECT_FALSE(o.ok()) << "row 3 was read ahead, not served";
  } else {
    ASSERT_TRUE(o.ok()) << o.error.text();
    EXPECT_EQ(valueText(fieldsOf(rs).call("Field", 0, 3)), "3");
  }
}

// Every text comes out of a block as the bytes the row-at-a-time reading has from the VM, and
// is read in place there: ASCII runs of several lengths, a wider char of two, three or four
// bytes (a surrogate pair) at their ends, and in HSQLDB surrogates without their partner, each
// of which reads '?'.
TEST_P(RowBlockTest, EveryTextReadsAsTheRowByRowReadingReadsIt) {
  std::vector<std::string> texts = {"", "a"};
  for (size_t n : {15, 16, 17, 31, 32, 33}) texts.push_back(std::string(n, 'x'));
  for (const char* wide : {"é", "€", "😀"}) {
    for (size_t at : {0, 1, 15, 16, 17, 32}) texts.push_back(std::string(at, 'y') + wide + "z");
  }
  texts.push_back("😀😀é€ and ASCII after them, far past sixteen chars");
  const std::string t = table_ + "_texts";
  exec("CREATE TABLE " + t + " (id INT PRIMARY KEY, v VARCHAR(100))");
  std::vector<std::string> expected;
  for (const std::string& text : texts) {
    exec("INSERT INTO " + t + " VALUES (" + std::to_string(expected.size()) + ", '" + text + "')");
    expected.push_back(text);
  }
  exec("INSERT INTO " + t + " VALUES (" + std::to_string(expected.size()) + ", NULL)");
  expected.push_back("<null>");
  if (!postgres()) {
    // A high surrogate alone, at the end, a low one alone, and the two in the wrong order.
    for (const auto& [sql, text] : std::vector<std::pair<std::string, std::string>>{
             {"'ab' || CHAR(55357) || 'cd'", "ab?cd"},
             {"'ab' || CHAR(55357)", "ab?"},
             {"CHAR(56832) || 'x'", "?x"},
             {"CHAR(56832) || CHAR(55357) || 'é'", "??é"}}) {
      exec("INSERT INTO " + t + " VALUES (" + std::to_string(expected.size()) + ", " + sql + ")");
      expected.push_back(text);
    }
  }
  const auto read = [&](int32_t cursorType) {
    Obj rs = open("SELECT v FROM " + t + " ORDER BY id", cursorType);
    Obj f = fieldsOf(rs);
    std::vector<std::string> rows;
    while (rs.get("Eof").asInt() == 0) {
      const Value full = f.call("FullText", 0);
      rows.push_back(valueText(f.call("Field", 0, 3)) + "|" +
                     std::to_string(f.call("Field", 0, 4).asInt()) + "|" +
                     (full.isUndef() ? "<null>" : full.text()));
      rs.call("fetch", 3, 0);
    }
    return rows;
  };
  const std::vector<std::string> blocks = read(1);
  const std::vector<std::string> single = read(2);
  ASSERT_EQ(blocks.size(), expected.size());
  ASSERT_EQ(single.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(blocks[i], single[i]) << "row " << i;
    EXPECT_EQ(blocks[i].substr(0, blocks[i].find('|')), i == 0 ? "<null>" : expected[i])
        << "row " << i << " (the empty text reads as NULL)";
  }
  // A value set over one the block holds reads as set.
  Obj rs = open("SELECT v FROM " + t + " ORDER BY id");
  rs.call("fetch", 3, 0);
  Obj f = fieldsOf(rs);
  ASSERT_EQ(valueText(f.call("Field", 0, 3)), "a");
  EXPECT_EQ(setField(f, 0, "set"), 0);
  EXPECT_EQ(valueText(f.call("Field", 0, 3)), "set");
}

QZ_DATABASE_BACKENDS(RowBlockTest);

}  // namespace
