// Calls into Java: argument lists, methods, fields and constructors looked up by name and
// signature, and the typed JNI call for each result type.
//
// Two ways in. `JMethod`, `JFieldHelper` and `JConstructor` are made on the stack, build the
// signature from the arguments given and cache the ID for their own lifetime. The templates in
// `jbridge::call` are what the proxies use: the signature is a compile-time constant of the
// parameter and result types, and the resolved ID is cached once per member for the process
// (an ID stays valid while its class is loaded, and every descriptor holds its class).
//
// Thread rule: any thread; every call attaches its thread. A pending Java exception is thrown as
// its proxy after every call. Ownership: object results come back as proxies holding their own
// global reference; the local reference returned by JNI is deleted at once.
#pragma once

#include <jni.h>

#include <atomic>
#include <string>
#include <vector>

#include "jbridge/jclass.h"
#include "jbridge/jni_core.h"
#include "jbridge/jvalue.h"
#include "jbridge/signature.h"

namespace jbridge {

// The typed JNI functions of each primitive proxy.
template <class T>
struct JniOps;

#define JBRIDGE_PRIMITIVE_OPS(Proxy, Name, ArrayType)                       \
  template <>                                                               \
  struct JniOps<proxy::types::Proxy> {                                      \
    using Array = ArrayType;                                                \
    static constexpr auto call = &JNIEnv::Call##Name##MethodA;              \
    static constexpr auto callStatic = &JNIEnv::CallStatic##Name##MethodA;  \
    static constexpr auto getField = &JNIEnv::Get##Name##Field;             \
    static constexpr auto setField = &JNIEnv::Set##Name##Field;             \
    static constexpr auto getStaticField = &JNIEnv::GetStatic##Name##Field; \
    static constexpr auto setStaticField = &JNIEnv::SetStatic##Name##Field; \
    static constexpr auto newArray = &JNIEnv::New##Name##Array;             \
    static constexpr auto getRegion = &JNIEnv::Get##Name##ArrayRegion;      \
    static constexpr auto setRegion = &JNIEnv::Set##Name##ArrayRegion;      \
  }
JBRIDGE_PRIMITIVE_OPS(JBoolean, Boolean, jbooleanArray);
JBRIDGE_PRIMITIVE_OPS(JByte, Byte, jbyteArray);
JBRIDGE_PRIMITIVE_OPS(JChar, Char, jcharArray);
JBRIDGE_PRIMITIVE_OPS(JShort, Short, jshortArray);
JBRIDGE_PRIMITIVE_OPS(JInt, Int, jintArray);
JBRIDGE_PRIMITIVE_OPS(JLong, Long, jlongArray);
JBRIDGE_PRIMITIVE_OPS(JFloat, Float, jfloatArray);
JBRIDGE_PRIMITIVE_OPS(JDouble, Double, jdoubleArray);
#undef JBRIDGE_PRIMITIVE_OPS

namespace detail {

// Lookups with the failure messages of the interface; a failed lookup leaves no Java
// exception pending.
jmethodID lookupMethod(JNIEnv* env, const JClass& cls, const char* name, const char* signature,
                       bool isStatic);
jmethodID lookupConstructor(JNIEnv* env, const JClass& cls, const char* signature);
jfieldID lookupField(JNIEnv* env, const JClass& cls, const char* name, const char* signature,
                     bool isStatic);

// A call through a proxy that holds no Java object must not reach JNI.
[[noreturn]] void throwNullProxy(const char* what, const char* name, const JClass& cls);

// Makes the result proxy of a returned local reference and deletes the reference.
template <class R>
R adoptResult(JNIEnv* env, jobject local) {
  LocalRef<> owned(env, local);
  helper::catchAndThrow(env);
  return R(owned.get());
}

template <class R>
R callInstance(JNIEnv* env, jobject obj, jmethodID id, const jvalue* args) {
  if constexpr (std::is_void_v<R>) {
    env->CallVoidMethodA(obj, id, args);
    helper::catchAndThrow(env);
  } else if constexpr (proxy::types::Primitive<R>) {
    auto value = (env->*JniOps<R>::call)(obj, id, args);
    helper::catchAndThrow(env);
    return R(value);
  } else {
    return adoptResult<R>(env, env->CallObjectMethodA(obj, id, args));
  }
}

template <class R>
R callStatic(JNIEnv* env, jclass cls, jmethodID id, const jvalue* args) {
  if constexpr (std::is_void_v<R>) {
    env->CallStaticVoidMethodA(cls, id, args);
    helper::catchAndThrow(env);
  } else if constexpr (proxy::types::Primitive<R>) {
    auto value = (env->*JniOps<R>::callStatic)(cls, id, args);
    helper::catchAndThrow(env);
    return R(value);
  } else {
    return adoptResult<R>(env, env->CallStaticObjectMethodA(cls, id, args));
  }
}

template <class T>
T readField(JNIEnv* env, jobject obj, jfieldID id) {
  if constexpr (proxy::types::Primitive<T>) {
    return T((env->*JniOps<T>::getField)(obj, id));
  } else {
    return adoptResult<T>(env, env->GetObjectField(obj, id));
  }
}

template <class T>
T readStaticField(JNIEnv* env, jclass cls, jfieldID id) {
  if constexpr (proxy::types::Primitive<T>) {
    return T((env->*JniOps<T>::getStaticField)(cls, id));
  } else {
    return adoptResult<T>(env, env->GetStaticObjectField(cls, id));
  }
}

template <class T>
void writeField(JNIEnv* env, jobject obj, jfieldID id, const T& value) {
  if constexpr (proxy::types::Primitive<T>) {
    (env->*JniOps<T>::setField)(obj, id, value.get());
  } else {
    env->SetObjectField(obj, id, value.getJniObject());
  }
  helper::catchAndThrow(env);
}

template <class T>
void writeStaticField(JNIEnv* env, jclass cls, jfieldID id, const T& value) {
  if constexpr (proxy::types::Primitive<T>) {
    (env->*JniOps<T>::setStaticField)(cls, id, value.get());
  } else {
    env->SetStaticObjectField(cls, id, value.getJniObject());
  }
  helper::catchAndThrow(env);
}

}  // namespace detail

// Argument values in call order, each with the signature of its static C++ type.
// REQUIRES: the proxies appended outlive the list (it borrows their references).
class JArgumentList {
 public:
  template <class T>
  requires std::derived_from<T, proxy::JValue> JArgumentList& operator<<(const T& argument) {
    values_.push_back(argument.getJniValue());
    if constexpr (JniTyped<T>) {
      signatures_.emplace_back(T::kJniSignature.view());
    } else {
      signatures_.push_back(argument.getJniClass().getSignature());
    }
    return *this;
  }

  std::size_t size() const { return values_.size(); }
  const std::vector<std::string>& signatures() const { return signatures_; }
  // The arguments' signatures joined, without the parentheses.
  std::string signature() const;
  const jvalue* jvalues() const { return values_.empty() ? nullptr : values_.data(); }

 private:
  std::vector<jvalue> values_;
  std::vector<std::string> signatures_;
};

// A method by name; `R` is the result proxy type or void.
template <class R = void>
class JMethod {
 public:
  explicit JMethod(std::string name) : name_(std::move(name)) {}

  jmethodID getMethodID(const JClass& cls, const JArgumentList& args, bool isStatic) {
    if (id_) return id_;
    std::string sig = "(" + args.signature() + ")" + std::string(resultSignature<R>().view());
    id_ = detail::lookupMethod(JNIHelper::attach(), cls, name_.c_str(), sig.c_str(), isStatic);
    return id_;
  }

  // Instance call, looked up on the class that `object` answers.
  R invoke(const proxy::JObject& object, const JArgumentList& args = JArgumentList()) {
    if (object.isNull())
      detail::throwNullProxy("JMethod::invoke", name_.c_str(), object.getJniClass());
    jmethodID id = getMethodID(object.getJniClass(), args, false);
    return detail::callInstance<R>(JNIHelper::attach(), object.getJniObject(), id, args.jvalues());
  }

  // Static call on `cls`.
  R invoke(const JClass& cls, const JArgumentList& args = JArgumentList()) {
    jmethodID id = getMethodID(cls, args, true);
    return detail::callStatic<R>(JNIHelper::attach(), cls.getClass(), id, args.jvalues());
  }

 private:
  std::string name_;
  jmethodID id_ = nullptr;
};

// A field by name and type, on an owner class.
class JFieldHelper {
 public:
  JFieldHelper(const JClass& owner, std::string name, const JClass& type)
      : owner_(owner), name_(std::move(name)), type_(type) {}

  jfieldID getFieldID(bool isStatic);

  template <class T>
  T getStatic() {
    checkType(T::kJniSignature.view());
    jfieldID id = getFieldID(true);
    return detail::readStaticField<T>(JNIHelper::attach(), owner_.getClass(), id);
  }
  template <class T>
  void setStatic(const T& value) {
    checkType(T::kJniSignature.view());
    jfieldID id = getFieldID(true);
    detail::writeStaticField<T>(JNIHelper::attach(), owner_.getClass(), id, value);
  }
  template <class T>
  T get(const proxy::JObject& object) {
    checkType(T::kJniSignature.view());
    if (object.isNull()) detail::throwNullProxy("JFieldHelper::get", name_.c_str(), owner_);
    jfieldID id = getFieldID(false);
    return detail::readField<T>(JNIHelper::attach(), object.getJniObject(), id);
  }
  template <class T>
  void set(const proxy::JObject& object, const T& value) {
    checkType(T::kJniSignature.view());
    if (object.isNull()) detail::throwNullProxy("JFieldHelper::set", name_.c_str(), owner_);
    jfieldID id = getFieldID(false);
    detail::writeField<T>(JNIHelper::attach(), object.getJniObject(), id, value);
  }

 private:
  // A typed access that disagrees with the field's declared type would corrupt the VM.
  void checkType(std::string_view signature) const;

  const JClass& owner_;
  std::string name_;
  const JClass& type_;
  jfieldID id_ = nullptr;
};

// A constructor of the Java class of proxy `T`.
template <class T>
class JConstructor {
 public:
  jmethodID getMethodID(const JArgumentList& args) {
    if (!id_) {
      std::string sig = "(" + args.signature() + ")V";
      id_ = detail::lookupConstructor(JNIHelper::attach(), T::staticJniClass(), sig.c_str());
    }
    return id_;
  }

  // The new object's local reference, deleted when the result goes.
  LocalRef<> invoke(const JArgumentList& args = JArgumentList()) {
    jmethodID id = getMethodID(args);
    JNIEnv* env = JNIHelper::attach();
    LocalRef<> created(env, env->NewObjectA(T::staticJniClass().getClass(), id, args.jvalues()));
    helper::catchAndThrow(env);
    return created;
  }

 private:
  jmethodID id_ = nullptr;
};

// The member templates of the proxies: one instantiation, and one cached ID, per Java member.
namespace call {

template <class Owner, FixedString Name, bool Static, class R, class... Args>
jmethodID methodId(JNIEnv* env) {
  static constexpr auto kSignature = methodSignature<R, Args...>();
  static std::atomic<jmethodID> cache{nullptr};
  jmethodID id = cache.load(std::memory_order_acquire);
  if (!id) {
    id = detail::lookupMethod(env, Owner::staticJniClass(), Name.c_str(), kSignature.c_str(),
                              Static);
    cache.store(id, std::memory_order_release);
  }
  return id;
}

// Instance method `Name` of the Java class of `Owner`, called on `self`.
template <class R, FixedString Name, class Owner, class... Args>
R method(const Owner* self, const Args&... args) {
  if (self->isNull())
    detail::throwNullProxy("JMethod::invoke", Name.c_str(), Owner::staticJniClass());
  JNIEnv* env = JNIHelper::attach();
  jmethodID id = methodId<Owner, Name, false, R, Args...>(env);
  const jvalue values[] = {args.getJniValue()..., jvalue{}};
  return detail::callInstance<R>(env, self->getJniObject(), id, values);
}

template <class Owner, class R, FixedString Name, class... Args>
R staticMethod(const Args&... args) {
  JNIEnv* env = JNIHelper::attach();
  jmethodID id = methodId<Owner, Name, true, R, Args...>(env);
  const jvalue values[] = {args.getJniValue()..., jvalue{}};
  return detail::callStatic<R>(env, Owner::staticJniClass().getClass(), id, values);
}

template <class Owner, class T, FixedString Name>
jfieldID staticFieldId(JNIEnv* env) {
  static std::atomic<jfieldID> cache{nullptr};
  jfieldID id = cache.load(std::memory_order_acquire);
  if (!id) {
    id = detail::lookupField(env, Owner::staticJniClass(), Name.c_str(), T::kJniSignature.c_str(),
                             true);
    cache.store(id, std::memory_order_release);
  }
  return id;
}

// A static field (the constants) of the Java class of `Owner`, read from the VM on each call.
template <class Owner, class T, FixedString Name>
T staticField() {
  JNIEnv* env = JNIHelper::attach();
  jfieldID id = staticFieldId<Owner, T, Name>(env);
  return detail::readStaticField<T>(env, Owner::staticJniClass().getClass(), id);
}

template <class Owner, class... Args>
jmethodID constructorId(JNIEnv* env) {
  static constexpr auto kSignature = methodSignature<void, Args...>();
  static std::atomic<jmethodID> cache{nullptr};
  jmethodID id = cache.load(std::memory_order_acquire);
  if (!id) {
    id = detail::lookupConstructor(env, Owner::staticJniClass(), kSignature.c_str());
    cache.store(id, std::memory_order_release);
  }
  return id;
}

// A new Java object of the class of `Owner`; the caller's proxy takes its own reference.
template <class Owner, class... Args>
LocalRef<> construct(const Args&... args) {
  JNIEnv* env = JNIHelper::attach();
  jmethodID id = constructorId<Owner, Args...>(env);
  const jvalue values[] = {args.getJniValue()..., jvalue{}};
  LocalRef<> created(env, env->NewObjectA(Owner::staticJniClass().getClass(), id, values));
  helper::catchAndThrow(env);
  return created;
}

// The signature and the ID lookups of a member whose C++ type is the function type `F`
// (`JInt(lang::String)`), as a proxy table lists it; the lookups are those its calls use.
template <class F>
struct Member;
template <class R, class... Args>
struct Member<R(Args...)> {
  static constexpr auto kSignature = methodSignature<R, Args...>();
  template <class Owner, FixedString Name, bool Static>
  static void resolveMethod(JNIEnv* env) {
    methodId<Owner, Name, Static, R, Args...>(env);
  }
  template <class Owner>
  static void resolveConstructor(JNIEnv* env) {
    constructorId<Owner, Args...>(env);
  }
};
template <class Owner, class T, FixedString Name>
void resolveStaticField(JNIEnv* env) {
  staticFieldId<Owner, T, Name>(env);
}

}  // namespace call
}  // namespace jbridge
