// Descriptors of Java types: the internal name, the type signature and, for classes, a global
// class reference looked up once and kept for the life of the process.
//
// Thread rule: any thread. The first `getClass` of a descriptor may race with another thread;
// one reference wins and the other is deleted. Ownership: the `jclass` returned is a global
// reference owned by the descriptor; callers must not delete it.
#pragma once

#include <jni.h>

#include <atomic>
#include <memory>
#include <string>

namespace jbridge {

class JClass {
 public:
  virtual ~JClass() = default;
  // JNI form: "java/sql/ResultSet", "[I", or a primitive keyword such as "int".
  virtual const std::string& getInternalName() const = 0;
  // "Ljava/sql/ResultSet;", "[I", "I".
  virtual const std::string& getSignature() const = 0;
  // Throws JNIException when the class cannot be found.
  virtual jclass getClass() const = 0;
  virtual std::unique_ptr<JClass> clone() const = 0;
};

class JClassImpl final : public JClass {
 public:
  // A class or array type; the signature follows from the name.
  explicit JClassImpl(std::string internalName);
  JClassImpl(std::string internalName, std::string signature);
  ~JClassImpl() override;

  JClassImpl(const JClassImpl&) = delete;
  JClassImpl& operator=(const JClassImpl&) = delete;

  const std::string& getInternalName() const override { return internalName_; }
  const std::string& getSignature() const override { return signature_; }
  jclass getClass() const override;
  // A descriptor of the same type with a cache of its own.
  std::unique_ptr<JClass> clone() const override;

 private:
  std::string internalName_;
  std::string signature_;
  mutable std::atomic<jclass> class_{nullptr};
};

// The primitive descriptors. They name types in signatures only: no class is found for them.
extern const JClassImpl kVoidClass;
extern const JClassImpl kBooleanClass;
extern const JClassImpl kByteClass;
extern const JClassImpl kCharClass;
extern const JClassImpl kShortClass;
extern const JClassImpl kIntClass;
extern const JClassImpl kLongClass;
extern const JClassImpl kFloatClass;
extern const JClassImpl kDoubleClass;

// java/lang/Object, the class that a bare JObject answers.
const JClassImpl& objectClass();

}  // namespace jbridge
