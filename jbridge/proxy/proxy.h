// What every Java class proxy has in common, written once.
//
// A proxy stands for one Java object or for none (null). It derives, virtually, from
// java::lang::Object and from the proxies of the Java types its class extends, so a proxy can
// be passed, caught or converted as any of them. Members, declared from the class's table
// (table.h), call the Java methods of the same name (jmethod.h, namespace `jbridge::call`); Java
// primitives appear as JBoolean, JInt, ..., which convert to and from the C++ values, and Java
// objects as proxies.
//
// Thread rule: as JObject. Ownership: a proxy owns one global reference; copies make new ones;
// results come back by value with references of their own.
#pragma once

#include <string>

#include "jbridge/jarray.h"
#include "jbridge/jclass.h"
#include "jbridge/jmethod.h"
#include "jbridge/jvalue.h"
#include "jbridge/proxy/table.h"
#include "jbridge/signature.h"

namespace jbridge::proxy {

using types::JBoolean;
using types::JByte;
using types::JChar;
using types::JDouble;
using types::JFloat;
using types::JInt;
using types::JLong;
using types::JShort;

// Tag for the Java constructor without arguments: a proxy's default constructor is the null
// proxy, so `Vector v{kNewObject};` makes a new Java object.
struct NewObject {
  explicit NewObject() = default;
};
inline constexpr NewObject kNewObject{};

// The same Java object as a proxy of class `To`. Throws JNIException when the object is not an
// instance of `To`'s Java class; calls through a proxy of the wrong class would corrupt the VM.
template <class To>
To cast(const JObject& from) {
  if (from.isNull()) return To();
  JNIEnv* env = JNIHelper::attach();
  if (!env->IsInstanceOf(from.getJniObject(), To::staticJniClass().getClass())) {
    throw JNIException("proxy::cast\nThe object is not an instance of " +
                       To::staticJniClass().getInternalName() + ".");
  }
  return To(from.getJniObject());
}

}  // namespace jbridge::proxy

// The common members of a proxy class `Class` for the Java class `internalName`
// ("java/lang/Thread"), for a proxy without a member table. Move assignment hands the reference
// over once, however many base paths lead to JObject.
#define JBRIDGE_PROXY_CLASS(Class, internalName)                                       \
 public:                                                                               \
  static constexpr ::jbridge::FixedString kJniName{internalName};                      \
  static constexpr auto kJniSignature = ::jbridge::objectSignature(kJniName);          \
  static const ::jbridge::JClassImpl& staticJniClass() {                               \
    static const ::jbridge::JClassImpl descriptor{std::string(kJniName.view())};       \
    return descriptor;                                                                 \
  }                                                                                    \
  const ::jbridge::JClass& getJniClass() const override {                              \
    return staticJniClass();                                                           \
  }                                                                                    \
  Class() = default;                                                                   \
  template <::jbridge::proxy::JniReference Ref>                                        \
  explicit Class(Ref ref) : ::jbridge::proxy::java::lang::Object(ref) {}               \
  explicit Class(const jvalue& value) : ::jbridge::proxy::java::lang::Object(value) {} \
  Class(const Class&) = default;                                                       \
  Class(Class&&) = default;                                                            \
  Class& operator=(const Class& other) {                                               \
    setJniObject(other.getJniObject());                                                \
    return *this;                                                                      \
  }                                                                                    \
  Class& operator=(Class&& other) noexcept {                                           \
    moveJniObject(other);                                                              \
    return *this;                                                                      \
  }

// Proxy class java::pkg::Class of the Java class java.pkg.Class: the common members and those
// of its table QZ_JAVA_pkg_Class (table.h).
#define JBRIDGE_PROXY(pkg, Class)                          \
  JBRIDGE_PROXY_CLASS(Class, "java/" #pkg "/" #Class)      \
  static std::span<const ::jbridge::JMember> jniMembers(); \
                                                           \
 private:                                                  \
  using JniRoot = ::jbridge::proxy::java::lang::Object;    \
                                                           \
 public:                                                   \
  QZ_J_TABLE(pkg, Class, DECLARE)
