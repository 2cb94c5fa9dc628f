// Per proxy class: its descriptor, a proxy instance for a reference, and the thrown proxy of a
// Java exception. The registry of jni_core.h maps Java class names to these factories.
//
// Thread rule: factories are immutable and shared by all threads. Ownership: `makeProxy` hands
// the caller a proxy with its own global reference; the given reference stays the caller's.
#pragma once

#include <jni.h>

#include <memory>
#include <span>

#include "jbridge/jclass.h"
#include "jbridge/jvalue.h"

namespace jbridge {

// One line of a proxy class's member table: the Java name and signature, and the lookup of the
// ID that its calls use (throws JNIException when the VM has no such member).
struct JMember {
  const char* name;
  const char* signature;
  void (*resolve)(JNIEnv* env);
};

class JFactory {
 public:
  virtual ~JFactory() = default;
  virtual const JClass& getJniClass() const = 0;
  virtual std::unique_ptr<proxy::JObject> makeProxy(jobject ref) const = 0;
  // Throws a proxy of this class, by value, for `thrown`.
  [[noreturn]] virtual void throwProxy(jthrowable thrown) const = 0;
  // The members of the proxy class's table.
  virtual std::span<const JMember> members() const = 0;
};

template <class P>
class JFactoryImpl final : public JFactory {
 public:
  const JClass& getJniClass() const override { return P::staticJniClass(); }
  std::unique_ptr<proxy::JObject> makeProxy(jobject ref) const override {
    return std::make_unique<P>(ref);
  }
  [[noreturn]] void throwProxy(jthrowable thrown) const override { throw P(thrown); }
  std::span<const JMember> members() const override { return P::jniMembers(); }
};

}  // namespace jbridge
