// The record set with a real driver: walking results in every fetch mode, counting, the
// description of a result that changes, writing one row back, and memory over a long read.
#include "database/record_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/database/rs_fixture.h"

namespace {

using dbtest::failedWith;
using dbtest::nativeOf;
using dbtest::RecordSetFixture;
using dbtest::residentKb;
using dbtest::Rows;
using qztest::Obj;
using qztest::Outcome;
using Strings = std::vector<std::string>;

class RecordSetTest : public RecordSetFixture {
 protected:
  void SetUp() override {
    RecordSetFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    exec("CREATE TABLE " + table_ +
         " (id INT PRIMARY KEY, name VARCHAR(40), note VARCHAR(200), amount DECIMAL(12,2))");
  }
  void fill(int rows) {
    for (int i = 1; i <= rows; ++i) {
      exec("INSERT INTO " + table_ + " VALUES (" + std::to_string(i) + ", 'n" + std::to_string(i) +
           "', NULL, " + std::to_string(i) + ".5)");
    }
  }
  std::string select(const std::string& columns = "id, name") {
    return "SELECT " + columns + " FROM " + table_ + " ORDER BY id";
  }
  // The current row's first column, or "eof".
  static std::string at(const Obj& rs) {
    if (rs.get("Eof").asInt() == 1) return "eof";
    return valueText(fieldsOf(rs).call("Field", 0, 3));
  }
};

TEST_P(RecordSetTest, EmptyOneAndManyRowResultsWalkedForward) {
  Obj rs = open(select());
  EXPECT_EQ(rs.get("Eof").asInt(), 1) << "an empty result is at its end at once";
  EXPECT_EQ(rs.call("fetch", 3, 0).asInt(), 1) << "moving past the end is no error";
  EXPECT_EQ(rs.get("Eof").asInt(), 1);

  fill(1);
  rs = open(select());
  EXPECT_EQ(rs.get("Eof").asInt(), 0) << "the describe loaded the first row";
  EXPECT_EQ(walk(rs), (Strings{"1,n1"}));

  exec("INSERT INTO " + table_ + " VALUES (2, 'n2', NULL, 2), (3, 'n3', NULL, 3)");
  rs = open(select());
  EXPECT_EQ(walk(rs), (Strings{"1,n1", "2,n2", "3,n3"}));
  rs = open(select());
  rs.call("fetch", 3, 0);
  EXPECT_EQ(walk(rs), (Strings{"2,n2", "3,n3"})) << "fetching first skips the loaded row";
  EXPECT_EQ(rs.call("fetch", 7, 0).asInt(), 1) << "an unknown mode finds no row";
  EXPECT_EQ(rs.get("Eof").asInt(), 1);

  // The record set hands out what it made, as objects of the right kinds.
  EXPECT_TRUE(fieldsOf(rs).offers("DATABASE.RECORDSETFIELDS"));
  EXPECT_FALSE(rs.call("collection", 2).object()) << "only collection 1 exists";
  EXPECT_TRUE(rs.call("transaction", "sqlexec").object()) << "the name ignores case";
  EXPECT_FALSE(rs.call("transaction", "TABLEINFO").object());
}

TEST_P(RecordSetTest, ScrollableResultsMoveInEveryMode) {
  fill(5);
  Obj rs = open(select(), 2);
  auto* native = nativeOf<dbJDBCSQLRecordSetC>(rs);
  ASSERT_NE(native, nullptr);
  EXPECT_EQ(native->cursorType(), 2);
  EXPECT_EQ(at(rs), "1");
  // Modes: 1 absolute (rows from 0), 2 relative, 3 next, 4 previous, 5 first, 6 last. First
  // comes back from past the end; previous from the first row goes before it.
  const struct {
    int32_t mode, offset;
    const char* row;
  } moves[] = {{1, 2, "3"}, {2, -1, "2"}, {2, 2, "4"},   {4, 0, "3"},    {6, 0, "5"}, {3, 0, "eof"},
               {5, 0, "1"}, {1, 0, "1"},  {4, 0, "eof"}, {1, 99, "eof"}, {6, 0, "5"}};
  for (const auto& m : moves) {
    rs.call("fetch", m.mode, m.offset);
    EXPECT_EQ(at(rs), m.row) << "fetch(" << m.mode << ", " << m.offset << ")";
  }
}

TEST_P(RecordSetTest, RefusedMoveRaisesAndKeepsTheRow) {
  fill(3);
  Obj rs = open(select());
  rs.call("fetch", 3, 0);
  EXPECT_TRUE(failedWith(rs.tryCall("fetch", 4, 0), "ZIRUV:fetch")) << "forward only";
  EXPECT_EQ(at(rs), "2") << "the buffers still hold the row the cursor stands on";
  rs.call("fetch", 3, 0);
  EXPECT_EQ(at(rs), "3");
}

TEST_P(RecordSetTest, CountRunsOnAStatementOfItsOwn) {
  fill(4);
  Obj rs = open(select() + ";");
  EXPECT_EQ(rs.get("Count").asInt(), 4);
  EXPECT_EQ(walk(rs), (Strings{"1,n1", "2,n2", "3,n3", "4,n4"}))
      << "counting closed nothing of the record set's own result";
  rs = open("select id from " + table_ + " where id > 1 -- trailing comment");
  EXPECT_EQ(rs.get("Count").asInt(), 3) << "the comment does not swallow the closing bracket";
  rs = open("SELECT id FROM " + table_ + " WHERE name = 'n2'");
  EXPECT_EQ(rs.get("Count").asInt(), 1) << "literals are bound in the count as well";

  // Without a SELECT at the start the count is the last update count.
  rs = open("UPDATE " + table_ + " SET note = 'x' WHERE id <= 3");
  EXPECT_EQ(rs.get("Count").asInt(), 3);

  // Nothing to count: -1.
  Obj bare = db_.call("createObject", "RECORDSET").object();
  EXPECT_EQ(bare.get("Count").asInt(), -1) << "no statement attached";
  Obj unrun = db_.call("createObject", "RECORDSET").object();
  unrun.call("transaction", "SQLEXEC").object().call("statement", select());
  EXPECT_EQ(unrun.get("Count").asInt(), -1) << "the query never ran, so nothing is described";
  rs = open(select());
  exec_.call("statement", "SELECT * FROM no_such_table_here");
  EXPECT_EQ(rs.get("Count").asInt(), -1) << "the count query itself fails";
}

TEST_P(RecordSetTest, RunningTheStatementAgainDescribesTheNewResult) {
  fill(2);
  Obj rs = open(select("id"));
  Obj f = fieldsOf(rs);
  EXPECT_EQ(f.get("Count").asInt(), 1);
  exec_.call("statement", select("name, id, amount"));
  exec_.call("execute");
  EXPECT_EQ(f.get("Count").asInt(), 3);
  EXPECT_EQ(f.call("Field", "name", 3).text(), "n1") << "the new result's first row";
  EXPECT_EQ(f.call("Field", 1, 3).asInt(), 1);
  EXPECT_DOUBLE_EQ(f.call("Field", 2, 3).asDouble(), 1.5);
  rs.call("fetch", 3, 0);
  EXPECT_EQ(rowText(f), "n2,2,2.5");

  // A new statement through transaction starts over too.
  Obj e = rs.call("transaction", "SQLEXEC").object();
  e.call("statement", "SELECT name AS label, id * 10 AS tenfold FROM " + table_ + " ORDER BY id");
  e.call("execute");
  EXPECT_EQ(f.call("Field", "TENFOLD", 3).asInt(), 10) << "a computed column goes by its label";
  EXPECT_EQ(f.call("Field", 0, 1).text(), postgres() ? "label" : "LABEL");
}

TEST_P(RecordSetTest, NumericBuffersHoldWholeValues) {
  exec("INSERT INTO " + table_ + " VALUES (1, 'a', NULL, 1234567890.12)");
  Obj rs = open(select("amount, id"));
  Obj f = fieldsOf(rs);
  EXPECT_DOUBLE_EQ(f.call("Field", 0, 3).asDouble(), 1234567890.12)
      << "a ten-digit DECIMAL is not cut to eight characters";
  EXPECT_EQ(f.call("Field", 1, 3).asInt(), 1);
}

TEST_P(RecordSetTest, TextBuffersAreSizedForUtf8) {
  // 200 characters of three bytes each: 600 bytes in a VARCHAR(200).
  std::string euros;
  for (int i = 0; i < 200; ++i) euros += "€";
  exec("INSERT INTO " + table_ + " VALUES (1, 'a', '" + euros + "', 0)", "SQLEXEC_UTF8");
  Obj rs = open(select("note"));
  EXPECT_EQ(fieldsOf(rs).call("Field", 0, 3).text(), euros);
  EXPECT_EQ(fieldsOf(rs).call("Field", 0, 4).asInt(), 200) << "the length in characters";
}

// (Reading them as text through the type map is examples/type_map.lua's.)
TEST_P(RecordSetTest, UnmappedColumnsReadEmpty) {
  exec("CREATE TABLE " + table_ + "b (id INT, flag BOOLEAN, big BIGINT)");
  exec("INSERT INTO " + table_ + "b VALUES (7, TRUE, 9223372036854775807)");
  Obj rs = open("SELECT id, flag, big FROM " + table_ + "b");
  Obj f = fieldsOf(rs);
  EXPECT_EQ(f.get("Count").asInt(), 3) << "unmapped columns count as well";
  EXPECT_EQ(f.call("Field", 0, 3).asInt(), 7);
  EXPECT_TRUE(f.call("Field", 1, 3).isUndef()) << "a BOOLEAN has no buffer";
  EXPECT_EQ(f.call("Field", 1, 2).asInt(), 0);
  EXPECT_EQ(f.call("Field", 1, 4).asInt(), -1);
  EXPECT_DOUBLE_EQ(f.call("Field", 2, 3).asDouble(), 9223372036854775807.0)
      << "a BIGINT beyond 32 bits reads as the nearest number, not a wrapped one";
}

// Writes back through an updatable result; the probe reads what really is in the table.
class RecordSetUpdateTest : public RecordSetFixture {
 protected:
  void SetUp() override {
    RecordSetFixture::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // Row 4's note is longer than any buffer holds, so it reads cut.
    longNote_ = std::string(9000, 'x') + "end";
    exec("CREATE TABLE " + table_ +
         " (id INT PRIMARY KEY, name VARCHAR(40), note VARCHAR(10000), amount DECIMAL(12,2))");
    for (int i = 1; i <= 5; ++i) {
      const std::string n = std::to_string(i);
      exec("INSERT INTO " + table_ + " VALUES (" + n + ", 'hello" + n + "', " +
           (i == 4  ? "'" + longNote_ + "'"
            : i % 2 ? "NULL"
                    : "'short'") +
           ", " + n + ".25)");
    }
    before_ = table();
  }
  Rows table() { return probe("SELECT id, name, note, amount FROM " + table_ + " ORDER BY id"); }
  // An updatable record set of the given cursor type, moved on by `fetches` rows.
  // HSQLDB updates through no ordered query; its rows come in key order anyway.
  Obj row(int32_t cursorType, int fetches) {
    Obj rs =
        open("SELECT id, name, note, amount FROM " + table_ + (postgres() ? " ORDER BY id" : ""),
             cursorType, 2);
    for (int i = 0; i < fetches; ++i) rs.call("fetch", 3, 0);
    return rs;
  }
  std::string longNote_;
  Rows before_;
};

TEST_P(RecordSetUpdateTest, SetFieldThenUpdateChangesTheThirdRowOnly) {
  for (int32_t cursorType : {1, 2}) {
    SCOPED_TRACE(cursorType == 1 ? "forward only" : "scrollable");
    Obj rs = row(cursorType, 2);
    Obj f = fieldsOf(rs);
    ASSERT_EQ(f.call("Field", "id", 3).asInt(), 3);
    auto* native = nativeOf<dbJDBCSQLRecordSetC>(rs);
    ASSERT_NE(native, nullptr);
    if (cursorType != 1) {
      EXPECT_EQ(native->rowPosition(), 3);
    }
    const std::string name = cursorType == 1 ? "ab" : "cd";
    EXPECT_EQ(setField(f, "name", name), 0);
    EXPECT_EQ(f.call("Field", "name", 3).text(), name) << "the new text replaces the old whole";
    EXPECT_EQ(setField(f, "amount", 1234567.5), 0);
    EXPECT_EQ(rs.call("update").asInt(), 1);

    Rows expected = before_;
    expected[2][1] = name;
    expected[2][3] = "1234567.50";
    EXPECT_EQ(table(), expected) << "only the set columns of the third row changed; its NULL "
                                    "note stayed NULL";
  }

  // Row 4's note arrives cut to the buffer, but a row update that does not set it leaves it
  // exactly as stored.
  before_ = table();
  Obj rs = row(1, 3);
  Obj f = fieldsOf(rs);
  EXPECT_LT(f.call("Field", "note", 3).text().size(), longNote_.size());
  EXPECT_EQ(setField(f, 0, 40), 0) << "an integer column takes the number";
  EXPECT_EQ(f.call("Field", 0, 3).asInt(), 40);
  rs.call("update");
  Rows expected = before_;
  expected[3][0] = "40";
  std::swap(expected[3], expected[4]);
  EXPECT_EQ(table(), expected);
}

TEST_P(RecordSetUpdateTest, UpdateWithoutChangesWritesNothingAndFailuresWriteNothing) {
  Obj rs = row(1, 2);
  EXPECT_EQ(rs.call("update").asInt(), 1) << "nothing set, nothing to write";
  EXPECT_EQ(table(), before_);

  // Both columns go in one row update: a key that already exists fails it, and the name set
  // with it is not written either.
  Obj f = fieldsOf(rs);
  setField(f, "name", "never");
  setField(f, "id", 1);
  EXPECT_TRUE(failedWith(rs.tryCall("update"), "ZIRUV:UPDATE::EXECUTE"));
  EXPECT_EQ(table(), before_);

  // What was set stays set: once the key is mended, the retry writes the name with it.
  EXPECT_EQ(setField(f, "id", 30), 0);
  EXPECT_EQ(rs.call("update").asInt(), 1);
  Rows expected = before_;
  Rows::value_type third = expected[2];
  third[0] = "30";
  third[1] = "never";
  expected.erase(expected.begin() + 2);
  expected.push_back(third);
  EXPECT_EQ(table(), expected);
  before_ = table();

  // Past the end there is no row to write to.
  while (rs.get("Eof").asInt() == 0) rs.call("fetch", 3, 0);
  setField(f, "name", "nowhere");
  EXPECT_TRUE(failedWith(rs.tryCall("update"), "ZIRUV:UPDATE::EXECUTE"));
  EXPECT_EQ(table(), before_);

  // A read-only result refuses the write.
  Obj ro = open("SELECT id, name FROM " + table_ + " ORDER BY id");
  setField(fieldsOf(ro), "name", "read only");
  EXPECT_FALSE(ro.tryCall("update").ok());
  EXPECT_EQ(table(), before_);
}

TEST_P(RecordSetTest, NativeOptionsAndPosition) {
  Obj rs = db_.call("createObject", "RECORDSET").object();
  qzRef<dbIRecordSet> n = native(rs);
  ASSERT_TRUE(n);
  int32_t state = 0;
  EXPECT_EQ(n->position(&state), 1);
  EXPECT_EQ(state, 1);
  EXPECT_EQ(rs.get("Eof").asInt(), 0) << "nothing described, so not at the end";
  qzIUnknown* err = reinterpret_cast<qzIUnknown*>(1);
  EXPECT_EQ(n->fetch(3, 0, &err), 1);
  EXPECT_EQ(err, nullptr);
  EXPECT_EQ(n->update(nullptr), 1);

  EXPECT_EQ(setOption(rs, 1, 3), 0) << "options before a statement are kept for it";
  EXPECT_EQ(setOption(rs, 1, 9), 0) << "and checked only once there is one";
  EXPECT_EQ(setOption(rs, 1, 2), 0);
  EXPECT_EQ(setOption(rs, 300, 1), 1) << "custom options are refused, also before a statement";
  fill(2);
  ASSERT_TRUE(rs.call("transaction", "SQLEXEC").object()) << "the refused option is not kept";
  exec_ = rs.call("transaction", "SQLEXEC").object();
  exec_.call("statement", select());
  EXPECT_EQ(setOption(rs, 1, 9), 1) << "no such cursor type";
  EXPECT_EQ(setOption(rs, 2, 1), 0) << "the refused cursor type did not stay";
  EXPECT_EQ(setOption(rs, 1, 2), 0);
  EXPECT_EQ(setOption(rs, 2, 4), 1) << "no such concurrency";
  EXPECT_EQ(setOption(rs, 1, 2), 0) << "the refused concurrency did not stay";
  EXPECT_EQ(setOption(rs, 2, 1), 0);
  EXPECT_EQ(setOption(rs, 300, 1), 1) << "custom options are refused";
  EXPECT_EQ(setOption(rs, 7, 1), 0) << "other small keys are accepted and do nothing";
  qzVariantS word, one;
  word.setString("cursor");
  one.setInt(1);
  EXPECT_EQ(n->option(&word, &one), 1) << "a key that is no number changes nothing";

  qztest::Obj e = db_.call("createObject", "SQLEXEC").object();  // resets the session's options
  rs = open(select(), 2);
  n = native(rs);
  EXPECT_EQ(n->position(&state), 0);
  EXPECT_EQ(state, 2);
  rs.call("fetch", 6, 0);
  EXPECT_EQ(at(rs), "2") << "scrolls: its options were applied after the reset";
  EXPECT_EQ(setOption(rs, 7, 1), 0);
  EXPECT_EQ(rs.call("fetch", 4, 0).asInt(), 1);
  EXPECT_EQ(at(rs), "1") << "a key that names no option leaves the live result where it was";
  rs.call("fetch", 6, 0);
  rs.call("fetch", 3, 0);
  EXPECT_EQ(n->position(&state), 0);
  EXPECT_EQ(state, 3);
}

// The session's result-set settings are shared: objects made or run between a record set's
// options and its query must not change how that query scrolls (a scrollable record set that
// ran forward-only found no row at all), nor the record set's options theirs.
TEST_P(RecordSetTest, OptionsHoldWhateverRunsBeforeTheQuery) {
  fill(3);
  Obj rs = db_.call("createObject", "RECORDSET").object();
  ASSERT_EQ(setOption(rs, 1, 2), 0);
  Obj query = rs.call("transaction", "SQLEXEC").object();
  query.call("statement", select());
  Obj plain = db_.call("createObject", "SQLEXEC").object();
  plain.call("statement", select());
  Obj other = db_.call("createObject", "RECORDSET").object();
  Obj otherQuery = other.call("transaction", "SQLEXEC").object();
  otherQuery.call("statement", select());
  otherQuery.call("execute");
  query.call("execute");
  plain.call("execute");

  EXPECT_EQ(rs.get("Eof").asInt(), 0);
  rs.call("fetch", 6, 0);
  EXPECT_EQ(at(rs), "3");
  rs.call("fetch", 4, 0);
  EXPECT_EQ(at(rs), "2");
  EXPECT_EQ(rs.get("Count").asInt(), 3);
  other.call("fetch", 3, 0);
  EXPECT_FALSE(other.tryCall("fetch", 4, 0).ok()) << "the other record set stays forward-only";
}

class RecordSetMemoryTest : public RecordSetFixture {};

// Reads 100,000 rows and samples the resident set every 10,000. The Java heap grows in steps
// of megabytes whenever the VM decides to, and stays flat in between; anything our side kept
// per row would grow it in every stretch. So the stretch that grew least must not have grown.
TEST_P(RecordSetMemoryTest, LongReadLoopKeepsMemoryFlat) {
  constexpr int kRows = 100000;
  constexpr int kStretch = 10000;
  exec("CREATE TABLE " + table_ + " (id INT PRIMARY KEY, name VARCHAR(40), amount DOUBLE)");
  exec("INSERT INTO " + table_ +
       " SELECT n, 'row ' || CAST(n AS VARCHAR(10)), n * 0.5 FROM UNNEST(SEQUENCE_ARRAY(1, " +
       std::to_string(kRows) + ", 1)) AS s(n)");
  ASSERT_EQ(count(table_), std::to_string(kRows));
  Obj rs = open("SELECT id, name, amount FROM " + table_ + " ORDER BY id");
  Obj f = fieldsOf(rs);
  long sum = 0;
  int rows = 0;
  std::vector<long> samples;
  while (rs.get("Eof").asInt() == 0) {
    sum += f.call("Field", 0, 3).asInt();
    f.call("Field", "name", 3);
    f.call("Field", 2, 3);
    rs.call("fetch", 3, 0);
    // The first two stretches warm up: classes load and code compiles.
    if (++rows % kStretch == 0 && rows >= 2 * kStretch) samples.push_back(residentKb());
  }
  EXPECT_EQ(rows, kRows);
  EXPECT_EQ(sum, static_cast<long>(kRows) * (kRows + 1) / 2);
  ASSERT_GE(samples.size(), 2u);
  long least = samples[1] - samples[0];
  std::string trace;
  for (size_t i = 1; i < samples.size(); ++i) {
    least = std::min(least, samples[i] - samples[i - 1]);
    trace += " " + std::to_string(samples[i] - samples[i - 1]);
  }
  // 25 bytes a row would be 250 kB a stretch.
  EXPECT_LT(least, 250) << "kB grown per stretch:" << trace;
  EXPECT_LT(samples.back() - samples.front(), 64 * 1024) << "kB grown per stretch:" << trace;
}

QZ_DATABASE_BACKENDS(RecordSetTest);
QZ_DATABASE_BACKENDS(RecordSetUpdateTest);
QZ_HSQLDB_ONLY(RecordSetMemoryTest);

}  // namespace
