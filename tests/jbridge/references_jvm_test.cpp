// Tests that long runs of calls leave no JNI references behind. A native thread never returns
// to Java, so a local reference not deleted lives until the thread detaches, and a global one
// until the process ends.
//
// Local references are counted by the VM itself: JVMTI's heap walk reports every JNI local
// reference as a root. Global references are counted by jbridge, through which every one it
// makes and deletes passes; the VM's own count of them moves with its internal threads.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "jbridge/proxy/java_sql.h"
#include "tests/jbridge/jvm_env.h"
#include "tests/support/jni_roots.h"

namespace jbridge {
namespace {

using proxy::types::JInt;
namespace lang = proxy::java::lang;
namespace util = proxy::java::util;
namespace sql = proxy::java::sql;

struct References {
  long locals = 0;   // JNI local references of every thread, as the VM sees them
  long globals = 0;  // global references jbridge made and has not deleted
};

References liveReferences() {
  return {qztest::jniRoots(getJavaVM()).locals, JNIHelper::liveGlobalRefs()};
}

// Runs `work` twice: once so that every class it uses has its descriptor (one global reference
// per class, made once per process), then while the references are counted. Fails the test
// when the second run leaves any reference behind.
void expectNoReferencesLeft(const std::function<void(int)>& work, int rounds) {
  work(0);
  References before = liveReferences();
  for (int i = 1; i <= rounds; ++i) work(i);
  References after = liveReferences();
  EXPECT_EQ(after.locals, before.locals);
  EXPECT_EQ(after.globals, before.globals);
}

class ReferencesTest : public testing::HsqldbTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(connect("references"));
    sql::Statement statement = connection_.createStatement();
    statement.executeUpdate(lang::String("DROP TABLE T IF EXISTS"));
    statement.executeUpdate(lang::String("CREATE TABLE T (K VARCHAR(10), V INTEGER)"));
    statement.executeUpdate(lang::String("INSERT INTO T VALUES ('a', 1), ('b', 2)"));
    statement.close();
  }

  // One query the way the session layer runs it: a prepared statement with a bound literal,
  // its result set and metadata, every column read as text.
  void query() {
    sql::PreparedStatement statement = connection_.prepareStatement(
        lang::String("SELECT K, V FROM T WHERE K = ?"), sql::ResultSet::TYPE_FORWARD_ONLY(),
        sql::ResultSet::CONCUR_READ_ONLY());
    statement.setString(1, lang::String("b"));
    sql::ResultSet rows = statement.executeQuery();
    sql::ResultSetMetaData meta = rows.getMetaData();
    ASSERT_EQ(meta.getColumnCount(), 2);
    EXPECT_EQ(meta.getColumnName(1).getCString(), "K");
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.getString(1).toUtf8(), "b");
    EXPECT_EQ(rows.getInt(2), 2);
    EXPECT_FALSE(rows.next());
    rows.close();
    statement.close();
  }
};

// Tests that the counts do see leaks, so that their silence below means something.
TEST_F(ReferencesTest, TheCountsSeeLeaks) {
  References before = liveReferences();
  JNIEnv* env = JNIHelper::attach();
  jobject leaked = env->NewStringUTF("leaked");
  EXPECT_EQ(liveReferences().locals, before.locals + 1);
  env->DeleteLocalRef(leaked);
  {
    sql::Statement held = connection_.createStatement();
    EXPECT_EQ(liveReferences().globals, before.globals + 1);
    held.close();
  }
  References after = liveReferences();
  EXPECT_EQ(after.locals, before.locals);
  EXPECT_EQ(after.globals, before.globals);
}

TEST_F(ReferencesTest, AQueryLoopLeavesNoReferences) {
  expectNoReferencesLeft([this](int) { query(); }, 3000);
}

TEST_F(ReferencesTest, FailingCallsLeaveNoReferences) {
  expectNoReferencesLeft(
      [this](int) {
        try {
          connection_.prepareStatement(lang::String("SELECT * FROM MISSING"));
          ADD_FAILURE() << "no exception";
        } catch (const sql::SQLException& e) {
          EXPECT_EQ(e.getSQLState().getCString(), "42501");
          EXPECT_NE(std::string(e.what()), "");
        }
        try {
          lang::Class::forName(lang::String("no.such.Class"));
        } catch (const lang::Exception& e) {
          EXPECT_NE(std::string(e.what()), "");
        }
        EXPECT_THROW(proxy::JArray<lang::String>(1).get(-1), lang::Exception);
      },
      1000);
}

TEST_F(ReferencesTest, TextConversionsAndCopiesLeaveNoReferences) {
  expectNoReferencesLeft(
      [](int i) {
        lang::String text = lang::String::fromUtf8("\xCE\xB1\xF0\x9F\x98\x80");
        EXPECT_EQ(text.toUtf8(), "\xCE\xB1\xF0\x9F\x98\x80");
        EXPECT_EQ(lang::String("native").getCString(), "native");
        EXPECT_EQ(lang::String::fromModifiedUtf8("m").length(), 1);
        lang::String copy = text;
        copy = lang::String(std::to_string(i));
        lang::Object base = copy;
        base = std::move(copy);
        EXPECT_EQ(lang::String::valueOf(JInt(i)).getCString(), std::to_string(i));
        util::Vector vector(2);
        vector.addElement(base);
        EXPECT_EQ(proxy::cast<lang::String>(vector.elementAt(0)).getCString(), std::to_string(i));
      },
      5000);
}

TEST_F(ReferencesTest, AThreadThatDetachesLeavesNoReferences) {
  expectNoReferencesLeft(
      [this](int) {
        std::thread worker([this] { query(); });
        worker.join();
      },
      20);
}

}  // namespace
}  // namespace jbridge
