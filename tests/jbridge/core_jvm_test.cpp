// Tests of the JNI core against a real VM: lookups and their messages, exception translation,
// null proxies, arrays, text and threads.
#include <gtest/gtest.h>

#include <thread>

#include "jbridge/jfactory.h"
#include "jbridge/proxy/java_sql.h"
#include "tests/jbridge/jvm_env.h"

namespace jbridge {
namespace {

using proxy::JArray;
using proxy::JObject;
using proxy::JValue;
using proxy::kNewObject;
using proxy::types::JByte;
using proxy::types::JInt;
using proxy::types::JLong;
namespace lang = proxy::java::lang;
using testing::messageOf;
namespace util = proxy::java::util;
namespace sql = proxy::java::sql;

class CoreTest : public testing::JvmTest {};

// Raises `java/lang/<name>` with a message in the VM, as a driver would.
void raiseJava(const char* className, const char* message) {
  JNIEnv* env = JNIHelper::attach();
  LocalRef<jclass> cls(env, env->FindClass(className));
  ASSERT_TRUE(cls);
  env->ThrowNew(cls.get(), message);
}

TEST_F(CoreTest, LookupFailuresNameWhatWasMissingAndLeaveNothingPending) {
  EXPECT_EQ(messageOf([] { JClassImpl("no/such/Klass").getClass(); }),
            "JClass::getClass - Unable to find the class <no/such/Klass>");

  lang::String text("abc");
  EXPECT_EQ(messageOf([&] {
              JArgumentList args;
              args << JInt(1);
              JMethod<lang::String>("noSuchMethod").invoke(text, args);
            }),
            "JMethod::getMethodID\nUnable to find method <noSuchMethod> with signature "
            "<(I)Ljava/lang/String;>");
  EXPECT_EQ(
      messageOf([] {
        JFieldHelper(sql::ResultSet::staticJniClass(), "NO_SUCH", kIntClass).getStatic<JInt>();
      }),
      "JFieldHelper::getFieldID\nUnable to find field <NO_SUCH> with signature <I>");
  EXPECT_EQ(messageOf([&] {
              JArgumentList args;
              args << text;
              JConstructor<util::Vector>().invoke(args);
            }),
            "JConstructor::getMethodID\nUnable to find a constructor for java/util/Vector\nThe "
            "signature is <(Ljava/lang/String;)V>");

  // The NoClassDefFoundError/NoSuchMethodError of the failed lookups must not linger.
  EXPECT_FALSE(JNIHelper::attach()->ExceptionCheck());
  EXPECT_EQ(text.length(), 3);
}

TEST_F(CoreTest, RuntimeMethodsFieldsAndConstructorsCall) {
  JArgumentList args;
  args << JInt(42);
  EXPECT_EQ(JMethod<lang::String>("valueOf").invoke(lang::String::staticJniClass(), args).toUtf8(),
            "42");
  EXPECT_EQ(JFieldHelper(sql::ResultSet::staticJniClass(), "CONCUR_UPDATABLE", kIntClass)
                .getStatic<JInt>(),
            1008);
  // A typed access that disagrees with the field's type is refused before it reaches JNI.
  EXPECT_THROW(JFieldHelper(sql::ResultSet::staticJniClass(), "CONCUR_UPDATABLE", kIntClass)
                   .getStatic<JLong>(),
               JNIException);

  JArgumentList capacity;
  capacity << JInt(7);
  util::Vector vector(JConstructor<util::Vector>().invoke(capacity).get());
  EXPECT_EQ(vector.capacity(), 7);
}

TEST_F(CoreTest, JavaExceptionsArriveAsTheNearestRegisteredProxy) {
  // ClassNotFoundException is declared but not registered: its registered ancestor is Exception.
  try {
    lang::Class::forName(lang::String("no.such.Driver"));
    FAIL() << "no exception";
  } catch (const lang::Exception& e) {
    EXPECT_STREQ(e.what(), "java.lang.ClassNotFoundException: no.such.Driver");
    EXPECT_EQ(e.getClass().getName().toUtf8(), "java.lang.ClassNotFoundException");
  }

  raiseJava("java/lang/IllegalStateException", "bad state");
  EXPECT_THROW(helper::catchAndThrow(), lang::Exception);

  // An Error is no Exception: it arrives as Throwable.
  raiseJava("java/lang/AssertionError", "broken");
  try {
    helper::catchAndThrow();
    FAIL() << "no exception";
  } catch (const lang::Exception&) {
    FAIL() << "an Error arrived as Exception";
  } catch (const lang::Throwable& e) {
    EXPECT_STREQ(e.what(), "java.lang.AssertionError: broken");
  }

  // Nothing pending: nothing thrown.
  EXPECT_NO_THROW(helper::catchAndThrow());
}

TEST_F(CoreTest, ThrownProxiesCanBeCaughtAsAnyBase) {
  sql::SQLException raised(lang::String("reason"), lang::String("42000"), JInt(17));
  auto rethrow = [&] {
    JNIHelper::attach()->Throw(static_cast<jthrowable>(raised.getJniObject()));
    helper::catchAndThrow();
  };
  try {
    rethrow();
  } catch (const sql::SQLException& e) {
    EXPECT_EQ(e.getSQLState().toUtf8(), "42000");
    EXPECT_EQ(e.getErrorCode(), 17);
    EXPECT_EQ(e.getMessage().toUtf8(), "reason");
    EXPECT_TRUE(e.isSameObject(raised));
  }
  EXPECT_THROW(rethrow(), lang::Exception);
  EXPECT_THROW(rethrow(), lang::Throwable);
  EXPECT_THROW(rethrow(), lang::Object);
  EXPECT_THROW(rethrow(), proxy::java::io::Serializable);
  EXPECT_THROW(rethrow(), JObject);
  EXPECT_THROW(rethrow(), JValue);
  try {
    rethrow();
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "java.sql.SQLException: reason");
  }
}

// A wrong line in a member table (a name, a type, static or not) compiles; only the VM can
// tell, through the same ID lookups that the calls make.
TEST_F(CoreTest, EveryTableMemberResolvesInTheVm) {
  JNIEnv* env = JNIHelper::attach();
  for (const auto& [name, factory] : factoryRegistry()) {
    for (const JMember& member : factory->members()) {
      EXPECT_NO_THROW(member.resolve(env)) << name << "." << member.name << member.signature;
    }
  }
  EXPECT_FALSE(findFactory("java.sql.DatabaseMetaData")->members().empty());

  JMember wrong{
      "getString", "(J)Ljava/lang/String;",
      &call::Member<lang::String(JLong)>::resolveMethod<sql::ResultSet, "getString", false>};
  EXPECT_EQ(messageOf([&] { wrong.resolve(env); }),
            "JMethod::getMethodID\nUnable to find method <getString> with signature "
            "<(J)Ljava/lang/String;>");
}

TEST_F(CoreTest, NullProxiesThrowInsteadOfReachingJni) {
  sql::ResultSet none;
  EXPECT_TRUE(none.isNull());
  EXPECT_EQ(messageOf([&] { none.next(); }),
            "JMethod::invoke\nUnable to use <next> through a null java/sql/ResultSet proxy.");
  EXPECT_THROW(sql::PreparedStatement().executeQuery(), JNIException);
  EXPECT_THROW(lang::String().getCString(), JNIException);
  EXPECT_THROW(lang::String().toUtf8(), JNIException);
  EXPECT_THROW(JMethod<JInt>("hashCode").invoke(lang::Object()), JNIException);
  // what() of a null exception proxy must still answer a text.
  EXPECT_NE(std::string(lang::Throwable().what()), "");
  // Null arguments are fine: Java receives null.
  EXPECT_FALSE(lang::String("x").equals(lang::Object()));
}

TEST_F(CoreTest, SettingTheHeldObjectAgainKeepsIt) {
  lang::String text("kept");
  long before = JNIHelper::liveGlobalRefs();
  text.setJniObject(text.getJniObject());
  EXPECT_EQ(text.toUtf8(), "kept");
  auto& same = text;
  text = same;
  EXPECT_EQ(text.toUtf8(), "kept");
  EXPECT_EQ(JNIHelper::liveGlobalRefs(), before);

  lang::String moved(std::move(text));
  EXPECT_TRUE(text.isNull());  // NOLINT: moved-from proxies are null by contract
  EXPECT_EQ(moved.toUtf8(), "kept");
  EXPECT_EQ(JNIHelper::liveGlobalRefs(), before);
}

TEST_F(CoreTest, ArraysCheckBoundsAndWriteBack) {
  JArray<lang::String> names(3);
  EXPECT_EQ(names.length(), 3);
  EXPECT_TRUE(names[0].get().isNull());
  names[1] = lang::String("one");
  EXPECT_EQ(names.get(1).toUtf8(), "one");
  EXPECT_EQ(messageOf([&] { names[3]; }), "[JArray::operator[]] invalid array index.");
  // A negative index is Java's to refuse.
  EXPECT_THROW(names.get(-1), lang::Exception);

  JArray<lang::String> none;
  EXPECT_EQ(messageOf([&] { none.length(); }),
            "[JArray::length] Can not retrieve the length of a null array.");
  EXPECT_EQ(messageOf([&] { none.get(0); }),
            "[JArray::operator[]] Can not dereference a null array.");

  JArray<JInt> numbers(std::vector<jint>{5, -6, 7});
  EXPECT_EQ(numbers.toVector(), (std::vector<jint>{5, -6, 7}));
  numbers[2] = JInt(70);
  EXPECT_EQ(numbers.get(2), 70);
  // A reference from Java has its length asked once.
  JArray<JByte> bytes = lang::String("abcd").getBytes();
  EXPECT_EQ(bytes.length(), 4);
  EXPECT_EQ(bytes.get(3), 'd');
  EXPECT_EQ(JArray<JByte>(0).toVector().size(), 0u);
}

TEST_F(CoreTest, DefaultCharsetTextRoundTrips) {
  EXPECT_TRUE(lang::String(static_cast<const char*>(nullptr)).isNull());
  lang::String empty("");
  ASSERT_FALSE(empty.isNull());
  EXPECT_EQ(empty.length(), 0);
  EXPECT_EQ(empty.getCString(), "");
  EXPECT_EQ(lang::String("h\xC3\xA9llo").getCString(), "h\xC3\xA9llo");  // the VM runs UTF-8
  EXPECT_EQ(lang::String("h\xC3\xA9llo").length(), 5);
  EXPECT_EQ(lang::String("a\0b", 3).length(), 3);
  EXPECT_EQ(std::string("x=") + lang::String("1"), "x=1");
}

TEST_F(CoreTest, Utf8RoundTripsByteForByte) {
  const std::string samples[] = {
      "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1",  // Greek
      "\xE6\xBC\xA2\xE5\xAD\x97",                          // CJK
      "\xF0\x9F\x98\x80",                                  // an emoji, beyond U+FFFF
      std::string("nul\0inside", 10),                      // U+0000
      "",
  };
  for (const std::string& sample : samples) {
    lang::String java = lang::String::fromUtf8(sample);
    EXPECT_EQ(java.toUtf8(), sample);
    // Java agrees on the characters: its own UTF-8 decoder gives an equal string.
    JArray<JByte> bytes(std::vector<jbyte>(sample.begin(), sample.end()));
    EXPECT_TRUE(java.equals(lang::String(bytes, lang::String("UTF-8"))));
  }
  EXPECT_EQ(lang::String::fromUtf8("\xF0\x9F\x98\x80").length(), 2);  // a surrogate pair
  EXPECT_EQ(lang::String::fromModifiedUtf8("\xC0\x80").toUtf16(), std::u16string(1, u'\0'));
  EXPECT_TRUE(lang::String::fromModifiedUtf8(nullptr).isNull());
}

TEST_F(CoreTest, CastsAreCheckedAndBaseMembersReachTheSameObject) {
  util::Vector vector(10);
  vector.addElement(lang::String("a"));
  vector.addElement(lang::String("b"));
  EXPECT_EQ(proxy::cast<lang::String>(vector.elements().nextElement()).toUtf8(), "a");
  EXPECT_THROW(proxy::cast<lang::String>(vector), JNIException);
  const util::List& list = vector;
  EXPECT_EQ(list.indexOf(lang::String("b")), 1);
  EXPECT_THROW(util::Vector(kNewObject).firstElement(), lang::Exception);  // NoSuchElement
}

// A proxy of a class this library does not cover, its members written over the call templates.
class JavaThread : public virtual lang::Object {
  JBRIDGE_PROXY_CLASS(JavaThread, "java/lang/Thread")

  static JavaThread currentThread() {
    return call::staticMethod<JavaThread, JavaThread, "currentThread">();
  }
  static JInt activeCount() { return call::staticMethod<JavaThread, JInt, "activeCount">(); }
  proxy::types::JBoolean isDaemon() const {
    return call::method<proxy::types::JBoolean, "isDaemon">(this);
  }
};

TEST_F(CoreTest, ASecondThreadAttachesAsDaemonAndDetachesAtExit) {
  jint before = JavaThread::activeCount();
  bool daemon = false;
  std::string text;
  std::thread worker([&] {
    try {
      daemon = JavaThread::currentThread().isDaemon();
      text = lang::String::valueOf(JInt(7)).toUtf8();
    } catch (const std::exception& e) {
      text = e.what();
    }
  });
  worker.join();
  EXPECT_TRUE(daemon);
  EXPECT_EQ(text, "7");
  EXPECT_EQ(JavaThread::activeCount(), before);
}

}  // namespace
}  // namespace jbridge
