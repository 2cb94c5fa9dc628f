// Java arrays: `JArray<T>` for an array of proxy type `T` (object proxies such as
// java::lang::String, or primitive proxies such as JByte), and `JArrayElement<T>`, what
// indexing answers, which writes back into the array when assigned.
//
// Thread rule: as JObject. Ownership: the array proxy owns one global reference; elements read
// come back as proxies with references of their own.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

#include "jbridge/jmethod.h"
#include "jbridge/jvalue.h"

namespace jbridge::proxy {

template <class T>
class JArrayElement;

template <class T>
class JArray : public JObject {
 public:
  static constexpr auto kJniSignature = concat(FixedString{"["}, T::kJniSignature);
  static const JClassImpl& staticJniClass() {
    static const JClassImpl descriptor{std::string(kJniSignature.view())};
    return descriptor;
  }

  JArray() = default;
  // A new array of `length` elements (null objects, or zeros).
  explicit JArray(jsize length) : length_(length) {
    JNIEnv* env = JNIHelper::attach();
    jobject created;
    if constexpr (types::Primitive<T>) {
      created = (env->*JniOps<T>::newArray)(length);
    } else {
      created = env->NewObjectArray(length, T::staticJniClass().getClass(), nullptr);
    }
    LocalRef<> local(env, created);
    helper::catchAndThrow(env);
    setJniObject(local.get());
    length_ = length;
  }
  // A new primitive array holding a copy of `values`.
  template <class U = T>
  requires types::Primitive<U>
  explicit JArray(const std::vector<typename U::NativeType>& values)
      : JArray(static_cast<jsize>(values.size())) {
    if (values.empty()) return;
    JNIEnv* env = JNIHelper::attach();
    (env->*JniOps<T>::setRegion)(static_cast<typename JniOps<T>::Array>(getJniObject()), 0, length_,
                                 values.data());
    helper::catchAndThrow(env);
  }
  template <JniReference Ref>
  explicit JArray(Ref ref) : JObject(ref) {}
  explicit JArray(const jvalue& value) : JObject(value) {}

  const JClass& getJniClass() const override { return staticJniClass(); }
  void setJniObject(jobject ref) override {
    JObject::setJniObject(ref);
    length_ = -1;
  }

  jsize length() const {
    if (isNull())
      throw JNIException("[JArray::length] Can not retrieve the length of a null array.");
    if (length_ == -1) {
      length_ = JNIHelper::attach()->GetArrayLength(static_cast<jarray>(getJniObject()));
    }
    return length_;
  }

  // Reads element `index`. A negative index goes to Java, whose exception is thrown as its proxy.
  T get(jsize index) const {
    if (isNull()) throw JNIException("[JArray::operator[]] Can not dereference a null array.");
    if (index >= length()) throw JNIException("[JArray::operator[]] invalid array index.");
    JNIEnv* env = JNIHelper::attach();
    if constexpr (types::Primitive<T>) {
      typename T::NativeType value{};
      (env->*JniOps<T>::getRegion)(static_cast<typename JniOps<T>::Array>(getJniObject()), index, 1,
                                   &value);
      helper::catchAndThrow(env);
      return T(value);
    } else {
      return detail::adoptResult<T>(
          env, env->GetObjectArrayElement(static_cast<jobjectArray>(getJniObject()), index));
    }
  }

  void set(jsize index, const T& value) {
    if (isNull()) throw JNIException("[JArray::operator[]] Can not dereference a null array.");
    if (index >= length()) throw JNIException("[JArray::operator[]] invalid array index.");
    JNIEnv* env = JNIHelper::attach();
    if constexpr (types::Primitive<T>) {
      typename T::NativeType native = value.get();
      (env->*JniOps<T>::setRegion)(static_cast<typename JniOps<T>::Array>(getJniObject()), index, 1,
                                   &native);
    } else {
      env->SetObjectArrayElement(static_cast<jobjectArray>(getJniObject()), index,
                                 value.getJniObject());
    }
    helper::catchAndThrow(env);
  }

  JArrayElement<T> operator[](jsize index) { return JArrayElement<T>(*this, index, get(index)); }
  T operator[](jsize index) const { return get(index); }

  // All elements of a primitive array, copied out in one call.
  template <class U = T>
  requires types::Primitive<U> std::vector<typename U::NativeType> toVector()
  const {
    std::vector<typename U::NativeType> values(static_cast<std::size_t>(length()));
    if (values.empty()) return values;
    JNIEnv* env = JNIHelper::attach();
    (env->*JniOps<T>::getRegion)(static_cast<typename JniOps<T>::Array>(getJniObject()), 0, length_,
                                 values.data());
    helper::catchAndThrow(env);
    return values;
  }

 private:
  mutable jsize length_ = -1;
};

template <class T>
class JArrayElement {
 public:
  JArrayElement(JArray<T>& array, jsize index, T element)
      : array_(&array), index_(index), element_(std::move(element)) {}

  const T& get() const { return element_; }
  operator const T&() const { return element_; }

  // Stores into the array at the same index.
  JArrayElement& operator=(const T& value) {
    array_->set(index_, value);
    element_ = value;
    return *this;
  }
  JArrayElement& operator=(const JArrayElement& other) { return *this = other.get(); }

 private:
  JArray<T>* array_;
  jsize index_;
  T element_;
};

}  // namespace jbridge::proxy
