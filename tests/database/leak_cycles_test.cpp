// Connect, query, walk and close, over and over: the JNI references the VM holds for native
// code stay flat. Counted by the VM itself (JVMTI's heap walk reports each JNI global and
// local reference as a root), so references made anywhere in the engine are seen; the VM's
// own threads move the count a little, a leak of one per cycle moves it by the cycle count.
#include <gtest/gtest.h>
#include <jvmti.h>

#include <string>
#include <vector>

#include "platform/jvm.h"
#include "tests/database/rs_fixture.h"

namespace {

using dbtest::RecordSetFixture;
using qztest::Obj;

struct Roots {
  long globals = 0;
  long locals = 0;
};

jint JNICALL countRoot(jvmtiHeapReferenceKind kind, const jvmtiHeapReferenceInfo*, jlong, jlong,
                       jlong, jlong*, jlong*, jint, void* data) {
  auto* roots = static_cast<Roots*>(data);
  if (kind == JVMTI_HEAP_REFERENCE_JNI_GLOBAL) ++roots->globals;
  if (kind == JVMTI_HEAP_REFERENCE_JNI_LOCAL) ++roots->locals;
  return 0;  // the roots are all we count: walk no further
}

Roots liveRoots() {
  JavaVM* vm = qz::platform::runningJavaVM();
  static jvmtiEnv* jvmti = [vm] {
    jvmtiEnv* env = nullptr;
    EXPECT_EQ(vm->GetEnv(reinterpret_cast<void**>(&env), JVMTI_VERSION_1_2), JNI_OK);
    jvmtiCapabilities capabilities{};
    capabilities.can_tag_objects = 1;
    EXPECT_EQ(env->AddCapabilities(&capabilities), JVMTI_ERROR_NONE);
    return env;
  }();
  JNIEnv* env = nullptr;
  vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr);
  jvmtiHeapCallbacks callbacks{};
  callbacks.heap_reference_callback = countRoot;
  Roots roots;
  EXPECT_EQ(jvmti->FollowReferences(0, nullptr, nullptr, &callbacks, &roots), JVMTI_ERROR_NONE);
  return roots;
}

class LeakCyclesTest : public RecordSetFixture {};

TEST_P(LeakCyclesTest, ConnectQueryWalkCloseCyclesLeaveNoJniReferences) {
  constexpr int kWarmUp = 100, kCycles = 1000;
  exec("CREATE TABLE " + table_ + " (id INT PRIMARY KEY, name VARCHAR(20), d DATE)");
  exec("INSERT INTO " + table_ + " VALUES (1, 'a', DATE '2024-01-01'), (2, NULL, NULL)");
  db_.call("close");
  auto cycle = [&] {
    Obj db = engine_->create("DATABASE.JDBCDB");
    db.call("connect", "demo", backend_.user, backend_.password);
    Obj rs = db.call("createObject", "RECORDSET").object();
    Obj q = rs.call("transaction", "SQLEXEC").object();
    q.call("statement", "SELECT id, name, d FROM " + table_ + " WHERE name = 'a' OR id = 2");
    q.call("execute");
    Obj f = rs.call("collection", 1).object();
    int rows = 0;
    for (; rs.get("Eof").asInt() == 0; rs.call("fetch", 3, 0), ++rows) {
      f.call("Field", 0, 3);
      f.call("Field", 1, 3);
      f.call("FullText", 2);
    }
    EXPECT_EQ(rows, 2);
    Obj info = db.call("createObject", "TABLEINFO").object();
    info.put("tablename", "NO_SUCH_TABLE");
    info.tryCall("execute");
    db.call("close");
  };
  for (int i = 0; i < kWarmUp; ++i) cycle();
  const Roots before = liveRoots();

  // The count sees a leak: 100 global references more are 100 roots more.
  {
    JNIEnv* env = nullptr;
    qz::platform::runningJavaVM()->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_8);
    jclass c = env->FindClass("java/lang/Object");
    std::vector<jobject> held;
    for (int i = 0; i < 100; ++i) held.push_back(env->NewGlobalRef(c));
    EXPECT_GE(liveRoots().globals - before.globals, 100);
    for (jobject o : held) env->DeleteGlobalRef(o);
    env->DeleteLocalRef(c);
  }

  for (int i = 0; i < kCycles && !HasFailure(); ++i) cycle();
  const Roots after = liveRoots();
  EXPECT_LT(after.globals - before.globals, kCycles / 20)
      << before.globals << " global references before, " << after.globals << " after";
  EXPECT_LT(after.locals - before.locals, kCycles / 20)
      << before.locals << " local references before, " << after.locals << " after";
}

QZ_HSQLDB_ONLY(LeakCyclesTest);

}  // namespace
