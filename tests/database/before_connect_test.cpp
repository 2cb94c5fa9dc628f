// A connection that has never connected, and one whose engine has been terminated: every
// member answers with its failure texts and nothing reaches for a Java VM that is not there.
// This binary starts no VM.
#include <gtest/gtest.h>

#include "interfaces/database.h"
#include "object/com_ref.h"
#include "tests/database/db_test_env.h"

namespace {

using dbtest::Engine;
using dbtest::EnvScope;
using dbtest::Installation;
using qztest::Obj;
using qztest::Outcome;
using qztest::Value;

// A script variable passed by reference.
class SymbolRef final : public qzISymbolRef, public qzComRefObjectC {
 public:
  explicit SymbolRef(const Value& v) : value_(v.variant()) {}
  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (qzIIDEqual(*iid, qziid::kUnknown) || qzIIDEqual(*iid, qzMakeIID("QZSCR.SYMBOLREF"))) {
      AddRef();
      *out = static_cast<qzISymbolRef*>(this);
      return 0;
    }
    return 2;
  }
  int32_t AddRef() override { return addRefCount(); }
  int32_t Release() override { return releaseCount(); }
  int32_t setValue(const qzVariantS* v) override {
    value_ = *v;
    return 0;
  }
  int32_t getValue(qzVariantS* out) override {
    *out = value_;
    return 0;
  }
  void setSelf() { value_.setObject(static_cast<qzISymbolRef*>(this)); }

 private:
  qzVariantS value_;
};

Value ref(const Value& v) {
  qzRef<SymbolRef> r(new SymbolRef(v));
  r->AddRef();
  return Value::object(static_cast<qzISymbolRef*>(r.get()));
}

class BeforeConnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = engine_.create("DATABASE.JDBCDB");
    ASSERT_TRUE(db_);
  }
  // A failed call must raise the call exception whose inner error has this source.
  static void expectRaised(const Outcome& o, const char* member, const char* innerSource) {
    EXPECT_TRUE(dbtest::failedWith(o, innerSource));
    EXPECT_EQ(o.error.source, std::string("methode:") + member);
    EXPECT_EQ(o.error.description, "Object call failed");
  }

  Installation install_;
  Engine engine_;
  Obj db_;
};

TEST_F(BeforeConnectTest, CommitAndRollbackFailWithTheirLabels) {
  expectRaised(db_.tryCall("commit"), "commit", "ZIRUV:COMMIT");
  expectRaised(db_.tryCall("rollback"), "rollback", "ZIRUV:ROLLBACK");

  qzRef<dbIDatabase> native = db_.query<dbIDatabase>(qzMakeIID("DATABASE.DATABASEI"));
  ASSERT_TRUE(native);
  qzIUnknown* err = nullptr;
  EXPECT_EQ(native->commit(&err), 1);
  ASSERT_NE(err, nullptr);
  EXPECT_EQ(qztest::readExceptionInfo(err).source, "ZIRUV:COMMIT");
  err->Release();
  EXPECT_EQ(native->rollback(nullptr), 1) << "no error slot, still a failure";
}

TEST_F(BeforeConnectTest, OptionsFollowTheKeyRules) {
  // The time-out waits for the VM of the first connect; before, it must not reach for one.
  EXPECT_EQ(db_.call("option", "CONNECTTIMEOUT", 30).asInt(), 1);
  EXPECT_EQ(db_.call("option", "connecttimeout", 30).asInt(), 1);
  EXPECT_EQ(db_.call("option", "CONNECTTIMEOUT", "45").asInt(), 1) << "the value may be text";
  EXPECT_EQ(db_.call("option", "CONNECTTIMEOUT", "soon").asInt(), 0);
  EXPECT_EQ(db_.call("option", "LOGINTIMEOUT", 30).asInt(), 0) << "other string keys";
  EXPECT_EQ(db_.call("option", 2, 5).asInt(), 1) << "other integer keys: accepted, no effect";
  EXPECT_EQ(db_.call("option", 2.0, "x").asInt(), 1);
  EXPECT_EQ(db_.call("option", Value(), 1).asInt(), 1) << "a key that is no integer";
  EXPECT_EQ(db_.call("option", 1, 1).asInt(), 0) << "auto-commit needs a connection";
  EXPECT_EQ(db_.call("option", 1, "x").asInt(), 0);
  EXPECT_FALSE(db_.tryCall("option", 1).ok()) << "two parameters";
}

TEST_F(BeforeConnectTest, OptionResolvesSymbolReferences) {
  EXPECT_EQ(db_.call("option", ref("connectTimeout"), ref(ref(30))).asInt(), 1);
  EXPECT_EQ(db_.call("option", ref("LOGINTIMEOUT"), 30).asInt(), 0);
  EXPECT_EQ(db_.call("option", ref(2), 30).asInt(), 1);

  // A reference to itself ends empty instead of looping: the value does not convert.
  qzRef<SymbolRef> self(new SymbolRef(Value()));
  self->AddRef();
  self->setSelf();
  EXPECT_EQ(db_.call("option", "CONNECTTIMEOUT", Value::object(self.get())).asInt(), 0);
  self->setValue(&Value().variant());  // breaks the cycle, so the reference can go
}

TEST_F(BeforeConnectTest, AutoCommitOptionTracesItsValue) {
  EnvScope debug("QZCOM_JDBC_DEBUG", "");
  testing::internal::CaptureStdout();
  db_.call("option", 1, 256);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "SetAutoCommitMode 256\n");
}

// The default Java must not stand in for the one JAVA_HOME names; connect says which and why.
TEST_F(BeforeConnectTest, ABrokenJavaHomeFailsTheConnectNamingItsPath) {
  EnvScope home("JAVA_HOME", "/nonexistent/jdk");
  install_.user().write("jdbc.cfg", dbtest::jdbcBlock("demo", "jdbc:hsqldb:mem:x"));
  testing::internal::CaptureStderr();
  Outcome o = db_.tryCall("connect", "demo", "SA", "");
  std::string printed = testing::internal::GetCapturedStderr();
  ASSERT_FALSE(o.ok());
  EXPECT_EQ(o.error.innerSource, "ZIRUV:CONNECT::CreateOrGetJVM");
  EXPECT_EQ(o.error.innerDescription,
            "CreateOrGetJVM: zeltools.jvm did not hand out a Java VM: JAVA_HOME=/nonexistent/jdk, "
            "but /nonexistent/jdk/lib/server/libjvm.so is not there");
  EXPECT_NE(printed.find("zeltools.jvm: Unable to load the Java VM library of "
                         "JAVA_HOME=/nonexistent/jdk"),
            std::string::npos)
      << printed;
}

TEST_F(BeforeConnectTest, ChildrenThatNeedAConnectionAreEmpty) {
  for (const char* name : {"SQLEXEC", "SQLEXEC_UTF8", "RECORDSET", "TABLEINFO", "sqlexec"}) {
    Value child = db_.call("createObject", name);
    EXPECT_TRUE(child.isUndef()) << name << ": " << child;
  }
  for (const char* name : {"COMMIT", "ROLLBACK", "", "DATABASE"}) {
    EXPECT_TRUE(db_.call("createObject", name).isUndef()) << name;
  }
  EXPECT_FALSE(db_.tryCall("createObject", 5).ok()) << "the name must be a string";
}

TEST_F(BeforeConnectTest, DatabaseInformationFailsWithItsTexts) {
  Obj info = db_.call("createObject", "databaseinfo").object();
  ASSERT_TRUE(info);
  EXPECT_TRUE(info.offers("DATABASE.DATABASEINFO"));
  EXPECT_EQ(info.get("dbiid").text(), "DATABASE.JDBCDB");
  EXPECT_EQ(info.get("connectionState").asInt(), 0);
  struct {
    const char* property;
    const char* message;
  } texts[] = {{"databasename", "cant read database name"},
               {"dbmsname", "cant read dbms name"},
               {"dbmsversion", "cant read dbms version"}};
  for (const auto& t : texts) {
    Outcome o = info.tryGet(t.property);
    EXPECT_FALSE(o.ok()) << t.property;
    EXPECT_EQ(o.error.source, "db com server");
    EXPECT_EQ(o.error.description, t.message);
  }

  qzRef<dbIDatabaseInfo> native = info.query<dbIDatabaseInfo>(qzMakeIID("DATABASE.DATABASEINFO"));
  ASSERT_TRUE(native);
  char small[9] = "xxxxxxxx";
  EXPECT_EQ(native->getClassId(small, 9), 0);
  EXPECT_STREQ(small, "DATABASE") << "cut to the buffer, terminated";
  EXPECT_EQ(native->getClassId(small, 0), 0);
  EXPECT_STREQ(small, "DATABASE") << "size 0 writes nothing";
  int32_t state = -1;
  EXPECT_EQ(native->getConnectionState(&state), 1);
  EXPECT_EQ(state, 0);
}

TEST_F(BeforeConnectTest, ChildKeepsTheConnectionAlive) {
  Obj info = db_.call("createObject", "DATABASEINFO").object();
  ASSERT_TRUE(info);
  EXPECT_EQ(db_.refCount(), 2) << "the child holds the connection";
  db_.reset();
  EXPECT_EQ(info.get("dbiid").text(), "DATABASE.JDBCDB");
}

// The host releases the factory at termination while the script still holds the connection;
// the session layer the connection uses must outlive the factory.
TEST_F(BeforeConnectTest, UnconnectedObjectOutlivesEngineTermination) {
  Obj second = engine_.create("DATABASE.JDBCDB");
  Obj map = db_.call("createObject", "SYSTYPEMAP").object();
  engine_.terminate();
  EXPECT_EQ(engine_.host().registeredFactories(), 0);

  expectRaised(db_.tryCall("commit"), "commit", "ZIRUV:COMMIT");
  map.call("addTranslation", 3, 4);
  EXPECT_EQ(map.call("getTranslation", 3).asInt(), 4);

  // Without the host there is no VM component to ask.
  Outcome o = db_.tryCall("connect", "demo", "SA", "");
  expectRaised(o, "connect", "ZIRUV:CONNECT::CreateOrGetJVM");
  EXPECT_EQ(o.error.innerDescription, "qzComCreateObject: zeltools.jvm");
  expectRaised(second.tryCall("rollback"), "rollback", "ZIRUV:ROLLBACK");
  db_.reset();
  map.reset();
  second.reset();
}

}  // namespace
