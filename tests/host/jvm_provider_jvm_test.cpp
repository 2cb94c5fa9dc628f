// The JVM companion starts a real Java VM once per process, with the options it was given.
#include <gtest/gtest.h>
#include <jni.h>

#include <string>

#include "host/host.h"
#include "variant/variant.h"

namespace {

JavaVM* vmFrom(qz::host::Host& host) {
  qzRef<qzIUnknown> o = host.create("zeltools.jvm");
  qzRef<qzIJvmProvider> p = qzQuery<qzIJvmProvider>(o.get(), qziid::kJvmProvider);
  if (!p) return nullptr;
  void* vm = nullptr;
  void* env = nullptr;
  if (p->getJavaVM(&vm, &env) != 0) return nullptr;
  return static_cast<JavaVM*>(vm);
}

std::string systemProperty(JNIEnv* env, const char* name) {
  jclass system = env->FindClass("java/lang/System");
  jmethodID get =
      env->GetStaticMethodID(system, "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
  jstring key = env->NewStringUTF(name);
  auto value = static_cast<jstring>(env->CallStaticObjectMethod(system, get, key));
  std::string out;
  if (value) {
    const char* chars = env->GetStringUTFChars(value, nullptr);
    out = chars;
    env->ReleaseStringUTFChars(value, chars);
    env->DeleteLocalRef(value);
  }
  env->DeleteLocalRef(key);
  env->DeleteLocalRef(system);
  return out;
}

}  // namespace

TEST(JvmProvider, StartsOneVmAndJavaRunsInIt) {
  qz::host::Host host;
  JavaVM* vm = vmFrom(host);
  ASSERT_NE(vm, nullptr);
  EXPECT_EQ(vmFrom(host), vm) << "the running VM is handed out again";

  JNIEnv* env = nullptr;
  ASSERT_EQ(vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_OK);
  EXPECT_EQ(systemProperty(env, "file.encoding"), "UTF-8");
  EXPECT_NE(systemProperty(env, "java.class.path").find("hsqldb"), std::string::npos)
      << "the JDBC driver jars are on the class path";

  qzRef<qzIUnknown> o = host.create("zeltools.jvm");
  qzRef<qzIJvmProvider> p = qzQuery<qzIJvmProvider>(o.get(), qziid::kJvmProvider);
  qzVariantS configuration;
  ASSERT_EQ(p->getConfiguration(&configuration), 0);
  EXPECT_NE(std::string(configuration.text()).find("-Djava.class.path="), std::string::npos);
  // (One VM per process, whoever asks, is the platform's VM test.)
}
