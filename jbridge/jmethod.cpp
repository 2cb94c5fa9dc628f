#include "jbridge/jmethod.h"

namespace jbridge {
namespace detail {

namespace {

// A missing member leaves a NoSuchMethodError or NoSuchFieldError pending; it is cleared, and
// the exception says what was looked for.
template <class Id>
Id lookupMember(JNIEnv* env, const JClass& cls, const char* name, const char* signature,
                Id (JNIEnv::*lookup)(jclass, const char*, const char*), const char* what) {
  Id id = (env->*lookup)(cls.getClass(), name, signature);
  if (!id) {
    env->ExceptionClear();
    throw JNIException(std::string(what) + " <" + name + "> with signature <" + signature + ">");
  }
  return id;
}

}  // namespace

jmethodID lookupMethod(JNIEnv* env, const JClass& cls, const char* name, const char* signature,
                       bool isStatic) {
  return lookupMember(env, cls, name, signature,
                      isStatic ? &JNIEnv::GetStaticMethodID : &JNIEnv::GetMethodID,
                      "JMethod::getMethodID\nUnable to find method");
}

jmethodID lookupConstructor(JNIEnv* env, const JClass& cls, const char* signature) {
  jmethodID id = env->GetMethodID(cls.getClass(), "<init>", signature);
  if (!id) {
    env->ExceptionClear();
    throw JNIException("JConstructor::getMethodID\nUnable to find a constructor for " +
                       cls.getInternalName() + "\nThe signature is <" + signature + ">");
  }
  return id;
}

jfieldID lookupField(JNIEnv* env, const JClass& cls, const char* name, const char* signature,
                     bool isStatic) {
  return lookupMember(env, cls, name, signature,
                      isStatic ? &JNIEnv::GetStaticFieldID : &JNIEnv::GetFieldID,
                      "JFieldHelper::getFieldID\nUnable to find field");
}

void throwNullProxy(const char* what, const char* name, const JClass& cls) {
  throw JNIException(std::string(what) + "\nUnable to use <" + name + "> through a null " +
                     cls.getInternalName() + " proxy.");
}

}  // namespace detail

std::string JArgumentList::signature() const {
  std::string joined;
  for (const std::string& sig : signatures_) joined += sig;
  return joined;
}

jfieldID JFieldHelper::getFieldID(bool isStatic) {
  if (!id_) {
    id_ = detail::lookupField(JNIHelper::attach(), owner_, name_.c_str(),
                              type_.getSignature().c_str(), isStatic);
  }
  return id_;
}

void JFieldHelper::checkType(std::string_view signature) const {
  if (signature != type_.getSignature()) {
    throw JNIException("JFieldHelper\nThe field <" + name_ + "> has signature <" +
                       type_.getSignature() + ">, not <" + std::string(signature) + ">");
  }
}

}  // namespace jbridge
