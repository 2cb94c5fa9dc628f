#include "jbridge/jvalue.h"

#include <iostream>
#include <utility>

#include "jbridge/jni_core.h"

namespace jbridge::proxy {

JObject::JObject(jobject ref, int) {
  value_.l = nullptr;
  if (ref) value_.l = JNIHelper::newGlobalRef(JNIHelper::attach(), ref);
}

JObject::~JObject() {
  release();
}

void JObject::release() noexcept {
  jobject held = std::exchange(value_.l, nullptr);
  if (!held || vmShutdown()) return;
  try {
    JNIHelper::deleteGlobalRef(JNIHelper::attach(), held);
  } catch (const std::exception& e) {
    std::cout << "JObject::~JObject - Unable to delete the global ref.\n" << e.what() << '\n';
  }
}

void JObject::setJniObject(jobject ref) {
  jobject fresh = nullptr;
  if (ref) fresh = JNIHelper::newGlobalRef(JNIHelper::attach(), ref);
  release();
  value_.l = fresh;
}

void JObject::moveJniObject(JObject& other) noexcept {
  if (&other == this) return;
  release();
  value_.l = std::exchange(other.value_.l, nullptr);
}

bool JObject::isSameObject(const JObject& other) const {
  if (isNull() || other.isNull()) return isNull() == other.isNull();
  return JNIHelper::attach()->IsSameObject(value_.l, other.value_.l) == JNI_TRUE;
}

}  // namespace jbridge::proxy
