// Values that cross into Java: `JValue` holds one `jvalue`; `JObject` holds a global reference
// of its own (or null); the primitive proxies hold one Java primitive.
//
// Thread rule: a value may be used and destroyed on any thread (each operation attaches it), but
// one object is not used by two threads at once. Ownership: a JObject owns its global reference;
// copying makes a new global reference of the same Java object, moving hands it over.
#pragma once

#include <jni.h>

#include <concepts>
#include <type_traits>

#include "jbridge/jclass.h"
#include "jbridge/signature.h"

namespace jbridge::proxy {

class JValue {
 public:
  JValue() : value_{} {}
  JValue(const JValue&) = default;
  JValue& operator=(const JValue&) = default;
  virtual ~JValue() = default;

  // The descriptor of the proxy class: methods are looked up on it.
  virtual const JClass& getJniClass() const = 0;
  virtual void setJniValue(jvalue value) { value_ = value; }
  const jvalue& getJniValue() const { return value_; }

 protected:
  jvalue value_;
};

// A JNI reference type (jobject, jstring, jclass, ...), but not 0 or nullptr: a proxy's
// reference constructor must not be chosen for an integer argument such as Vector(0).
template <class T>
concept JniReference = std::is_pointer_v<T> && std::is_convertible_v<T, jobject>;

class JObject : public JValue {
 public:
  JObject() { value_.l = nullptr; }
  // Takes a global reference of its own; the caller keeps `ref`.
  template <JniReference Ref>
  explicit JObject(Ref ref) : JObject(static_cast<jobject>(ref), 0) {}
  explicit JObject(const jvalue& value) : JObject(value.l, 0) {}
  JObject(const JObject& other) : JObject(other.value_.l, 0) {}
  JObject(JObject&& other) noexcept : JValue(other) { other.value_.l = nullptr; }
  JObject& operator=(const JObject& other) {
    setJniObject(other.value_.l);
    return *this;
  }
  JObject& operator=(JObject&& other) noexcept {
    moveJniObject(other);
    return *this;
  }
  // Deletes the global reference; a failure is written to standard output, never thrown.
  ~JObject() override;

  const JClass& getJniClass() const override { return objectClass(); }
  void setJniValue(jvalue value) override { setJniObject(value.l); }

  // Holds a new global reference of `ref` (null for null) in place of the old one. The new
  // reference is made before the old one is deleted, so `ref` may be the one held.
  virtual void setJniObject(jobject ref);

  jobject getJniObject() const { return value_.l; }
  bool isNull() const { return value_.l == nullptr; }
  // Whether both stand for the same Java object (two nulls do).
  bool isSameObject(const JObject& other) const;

 protected:
  // Takes over the reference of `other`, which becomes null; for move assignment of proxies,
  // which must hand the reference over once even when the object sits on several base paths.
  void moveJniObject(JObject& other) noexcept;

 private:
  JObject(jobject ref, int);
  void release() noexcept;
};

}  // namespace jbridge::proxy

namespace jbridge::proxy::types {

// A Java primitive: `Native` is the JNI type, `Field` its member of jvalue, `Value` the C++ type
// it is built from and converts back to.
template <class Native, Native jvalue::*Field, const JClassImpl& Descriptor, FixedString Sig,
          class Value = Native>
class JPrimitive : public JValue {
 public:
  using NativeType = Native;
  static constexpr auto kJniSignature = Sig;

  JPrimitive(Value value = Value()) { value_.*Field = static_cast<Native>(value); }
  explicit JPrimitive(const jvalue& value) { value_.*Field = value.*Field; }

  operator Value() const { return static_cast<Value>(value_.*Field); }
  Native get() const { return value_.*Field; }

  static const JClass& staticJniClass() { return Descriptor; }
  const JClass& getJniClass() const override { return Descriptor; }
};

#define JBRIDGE_PRIMITIVE(Name, Native, Field, Descriptor, Sig, ...)            \
  class Name : public JPrimitive<Native, &jvalue::Field, Descriptor,            \
                                 FixedString{Sig} __VA_OPT__(, ) __VA_ARGS__> { \
   public:                                                                      \
    using JPrimitive::JPrimitive;                                               \
  }
JBRIDGE_PRIMITIVE(JBoolean, jboolean, z, kBooleanClass, "Z", bool);
JBRIDGE_PRIMITIVE(JByte, jbyte, b, kByteClass, "B");
JBRIDGE_PRIMITIVE(JChar, jchar, c, kCharClass, "C");
JBRIDGE_PRIMITIVE(JShort, jshort, s, kShortClass, "S");
JBRIDGE_PRIMITIVE(JInt, jint, i, kIntClass, "I");
JBRIDGE_PRIMITIVE(JLong, jlong, j, kLongClass, "J");
JBRIDGE_PRIMITIVE(JFloat, jfloat, f, kFloatClass, "F");
JBRIDGE_PRIMITIVE(JDouble, jdouble, d, kDoubleClass, "D");
#undef JBRIDGE_PRIMITIVE

template <class T>
concept Primitive = requires {
  typename T::NativeType;
}
&&std::derived_from<T, JValue>;

}  // namespace jbridge::proxy::types
