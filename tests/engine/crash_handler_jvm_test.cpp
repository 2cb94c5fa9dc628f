// The crash handler beside a Java VM, which uses SIGSEGV itself (implicit null checks,
// safepoint polls). Run once per handler mode and per order of starting: the engine before the
// VM (the VM's handlers go on top and chain to ours) and, with QZ_TEST_JVM_FIRST, the VM before
// the engine (ours go on top and pass the VM its signals). Either way JDBC work and Java null
// pointer exceptions must run as without the handler and write no crash log.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/jvm.h"
#include "tests/database/db_test_env.h"
#include "tests/runtime/diag_test_util.h"

namespace {

std::string segvOwner() {
  struct sigaction current {};
  sigaction(SIGSEGV, nullptr, &current);
  const void* handler = (current.sa_flags & SA_SIGINFO)
                            ? reinterpret_cast<const void*>(current.sa_sigaction)
                            : reinterpret_cast<const void*>(current.sa_handler);
  Dl_info info{};
  if (!dladdr(handler, &info) || !info.dli_fname) return "";
  return std::filesystem::path(info.dli_fname).filename().string();
}

// Java code dereferencing null: String.compareTo(null) reads a field of its argument, which the
// VM does by touching the address and catching the fault.
int javaNullPointerExceptions(JavaVM* vm, int rounds) {
  JNIEnv* env = nullptr;
  if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return -1;
  jclass stringClass = env->FindClass("java/lang/String");
  jclass npeClass = env->FindClass("java/lang/NullPointerException");
  jmethodID compareTo = env->GetMethodID(stringClass, "compareTo", "(Ljava/lang/String;)I");
  jstring text = env->NewStringUTF("text");
  int caught = 0;
  for (int i = 0; i < rounds; ++i) {
    env->CallIntMethod(text, compareTo, nullptr);
    jthrowable thrown = env->ExceptionOccurred();
    if (!thrown) continue;
    env->ExceptionClear();
    caught += env->IsInstanceOf(thrown, npeClass) ? 1 : 0;
    env->DeleteLocalRef(thrown);
  }
  jclass systemClass = env->FindClass("java/lang/System");
  env->CallStaticVoidMethod(systemClass, env->GetStaticMethodID(systemClass, "gc", "()V"));
  env->DeleteLocalRef(text);
  env->DeleteLocalRef(systemClass);
  env->DeleteLocalRef(npeClass);
  env->DeleteLocalRef(stringClass);
  return caught;
}

TEST(CrashHandlerWithJvm, JdbcWorkAndJavaNullChecksWriteNoCrashLog) {
  const bool jvmFirst = std::getenv("QZ_TEST_JVM_FIRST") != nullptr;
  const char* modeText = std::getenv("QZDBG_EXCEPTIONHANDLER");
  const bool handler = !modeText || std::atoi(modeText) <= 2;
  diagtest::ScratchDir logs;
  diagtest::EnvVar tmp("tmp", logs.path());

  std::string error;
  if (jvmFirst) {
    ASSERT_NE(qz::platform::obtainJavaVM(qz::platform::defaultJvmOptions(), &error), nullptr)
        << error;
    ASSERT_EQ(segvOwner(), "libjvm.so");
  }
  dbtest::Installation install;
  install.user().write("jdbc.cfg",
                       dbtest::jdbcBlock("demo", "jdbc:hsqldb:mem:" + dbtest::uniqueName("crash")));
  dbtest::Engine engine;
  if (jvmFirst) {
    EXPECT_EQ(segvOwner(), handler ? "libqzjdbc.so" : "libjvm.so");
  }
  qztest::Obj db = engine.create("DATABASE.JDBCDB");
  ASSERT_TRUE(db);
  db.call("connect", "demo", "SA", "");
  EXPECT_EQ(segvOwner(), jvmFirst && handler ? "libqzjdbc.so" : "libjvm.so")
      << "a VM started later puts its handler on top";

  auto exec = [&](const std::string& sql) {
    qztest::Obj e = db.call("createObject", "SQLEXEC").object();
    ASSERT_TRUE(e);
    e.call("statement", sql);
    e.call("execute");
  };
  exec("CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(20))");
  for (int i = 0; i < 200; ++i) {
    exec("INSERT INTO t VALUES (" + std::to_string(i) + ", 'row " + std::to_string(i) + "')");
  }
  qztest::Obj rs = db.call("createObject", "RECORDSET").object();
  ASSERT_TRUE(rs);
  qztest::Obj query = rs.call("transaction", "SQLEXEC").object();
  query.call("statement", "SELECT id, name FROM t WHERE id >= 50");
  query.call("execute");
  EXPECT_EQ(rs.get("Count").asInt(), 150);

  JavaVM* vm = qz::platform::runningJavaVM();
  ASSERT_NE(vm, nullptr);
  EXPECT_EQ(javaNullPointerExceptions(vm, 20000), 20000);
  db.call("close");

  EXPECT_FALSE(std::filesystem::exists(logs.path() + "/qzdbgcrash.log"));
}

}  // namespace
