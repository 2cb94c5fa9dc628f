// The JNI references the VM holds for native code, all threads together, counted by the VM
// itself: JVMTI's heap walk reports each JNI global and local reference as a root, so
// references made anywhere in a process are seen.
#pragma once

#include <gtest/gtest.h>
#include <jvmti.h>

namespace qztest {

struct JniRoots {
  long globals = 0;
  long locals = 0;
};

inline jint JNICALL countJniRoot(jvmtiHeapReferenceKind kind, const jvmtiHeapReferenceInfo*, jlong,
                                 jlong, jlong, jlong*, jlong*, jint, void* data) {
  auto* roots = static_cast<JniRoots*>(data);
  if (kind == JVMTI_HEAP_REFERENCE_JNI_GLOBAL) ++roots->globals;
  if (kind == JVMTI_HEAP_REFERENCE_JNI_LOCAL) ++roots->locals;
  return 0;  // the roots are all we count: walk no further
}

// The roots now; attaches the calling thread, which a walk needs.
inline JniRoots jniRoots(JavaVM* vm) {
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
  callbacks.heap_reference_callback = countJniRoot;
  JniRoots roots;
  EXPECT_EQ(jvmti->FollowReferences(0, nullptr, nullptr, &callbacks, &roots), JVMTI_ERROR_NONE);
  return roots;
}

}  // namespace qztest
