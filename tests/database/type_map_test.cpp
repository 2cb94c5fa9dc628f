// The system type map through its scriptable members and its native text interface.
#include <gtest/gtest.h>

#include "interfaces/database.h"
#include "tests/database/db_test_env.h"

namespace {

using qztest::Obj;

class TypeMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = engine_.create("DATABASE.JDBCDB");
    ASSERT_TRUE(db_);
    map_ = db_.call("createObject", "SYSTYPEMAP").object();
    ASSERT_TRUE(map_);
    native_ = map_.query<dbISysTypeMap>(qzMakeIID("DATABASE.SYSTYPEMAP"));
    ASSERT_TRUE(native_);
  }
  // The value of a text query, or -1 when nothing matches.
  int32_t lookup(const char* query) {
    int32_t value = -1;
    return native_->getTranslationText(query, &value) == 0 ? value : -1;
  }

  dbtest::Installation install_;
  dbtest::Engine engine_;
  Obj db_;
  Obj map_;
  qzRef<dbISysTypeMap> native_;
};

TEST_F(TypeMapTest, ScriptedTranslationsFirstOfEqualSpecificityWins) {
  EXPECT_EQ(map_.call("getTranslation", 12).asInt(), 0) << "an empty map";
  EXPECT_EQ(map_.call("addTranslation", 3, 4).asInt(), 1);
  EXPECT_EQ(map_.call("getTranslation", 3).asInt(), 4);
  map_.call("addTranslation", 3, 2);
  EXPECT_EQ(map_.call("getTranslation", 3).asInt(), 4) << "the first rule stays";
  EXPECT_EQ(map_.call("GETTRANSLATION", 12).asInt(), 0);
  EXPECT_EQ(map_.call("addTranslation", -5, 1).asInt(), 1);
  EXPECT_EQ(map_.call("getTranslation", -5).asInt(), 1) << "negative JDBC codes";
  EXPECT_EQ(map_.call("getTranslation", 3.7).asInt(), 4) << "a float argument converts";
  EXPECT_FALSE(map_.tryCall("getTranslation", "3").ok()) << "a string is no integer here";

  int32_t kind = 99;
  EXPECT_EQ(native_->getTranslation(12, &kind), 1);
  EXPECT_EQ(kind, 99) << "untouched when nothing matches";
  EXPECT_EQ(native_->getTranslation(3, &kind), 0);
  EXPECT_EQ(kind, 4);
}

TEST_F(TypeMapTest, EveryAttributeOfARuleMustBeInTheQuery) {
  map_.call("addTranslation", 12, 1);
  EXPECT_EQ(lookup("SYSTYPE=12;dbms=hsql"), 1) << "a script rule is a systype text rule";
  EXPECT_EQ(lookup("systype=012"), -1) << "values compare as written";
  native_->addTranslationText("systype=12;dbms=HSQL", 4);
  EXPECT_EQ(lookup("systype=12"), 1) << "the two-pair rule lacks its second attribute";
  EXPECT_EQ(lookup("DBMS=HSQL;SYSTYPE=12"), 4) << "names ignore case, order does not matter";
  EXPECT_EQ(lookup("systype=12;dbms=hsql"), 1) << "values keep their case";
}

TEST_F(TypeMapTest, MostSpecificMatchWinsAndTheEmptyRuleMatchesAll) {
  native_->addTranslationText("", 8);
  EXPECT_EQ(lookup("systype=1"), 8) << "no attributes: matches every query";
  EXPECT_EQ(lookup(""), 8);
  EXPECT_EQ(map_.call("getTranslation", 77).asInt(), 8);
  native_->addTranslationText("systype=1", 4);
  native_->addTranslationText("systype=1;dbms=x", 2);
  native_->addTranslationText("dbms=x;systype=1", 1);
  EXPECT_EQ(lookup("systype=1"), 4);
  EXPECT_EQ(lookup("systype=1;dbms=x"), 2) << "more attributes win; the first of two";
  EXPECT_EQ(lookup("systype=2"), 8);
}

TEST_F(TypeMapTest, PairTextsParseAtSemicolonsAndTheFirstEquals) {
  native_->addTranslationText("a=b=c", 1);
  EXPECT_EQ(lookup("A=b=c"), 1) << "the value keeps later equals signs";
  EXPECT_EQ(lookup("a=b"), -1);
  native_->addTranslationText("flag", 2);
  EXPECT_EQ(lookup("flag="), 2) << "no equals sign: an empty value";
  EXPECT_EQ(lookup("flag"), 2);
  EXPECT_EQ(native_->addTranslationText(nullptr, 3), 0);
  EXPECT_EQ(lookup("x=1"), 3) << "a null text is the empty rule";
}

TEST_F(TypeMapTest, EachCreateStartsAnEmptyMap) {
  map_.call("addTranslation", 3, 4);
  Obj second = db_.call("createObject", "SYSTYPEMAP").object();
  ASSERT_TRUE(second);
  EXPECT_EQ(second.call("getTranslation", 3).asInt(), 0);
  EXPECT_EQ(map_.call("getTranslation", 3).asInt(), 4) << "the old map lives on with its holder";
}

}  // namespace
