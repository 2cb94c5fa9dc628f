#include "jbridge/jmethod.h"

namespace jbridge {
namespace detail {

jmethodID lookupMethod(JNIEnv* env, const JClass& cls, const char* name, const char* signature,
                       bool isStatic) {
  jclass javaClass = cls.getClass();
  jmethodID id = isStatic ? env->GetStaticMethodID(javaClass, name, signature)
                          : env->GetMethodID(javaClass, name, signature);
  if (!id) {
    env->ExceptionClear();  // NoSuchMethodError
    throw JNIException(std::string("JMethod::getMethodID\nUnable to find method <") + name +
                       "> with signature <" + signature + ">");
  }
  return id;
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
  jclass javaClass = cls.getClass();
  jfieldID id = isStatic ? env->GetStaticFieldID(javaClass, name, signature)
                         : env->GetFieldID(javaClass, name, signature);
  if (!id) {
    env->ExceptionClear();  // NoSuchFieldError
    throw JNIException(std::string("JFieldHelper::getFieldID\nUnable to find field <") + name +
                       "> with signature <" + signature + ">");
  }
  return id;
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
