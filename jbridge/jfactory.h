// Per proxy class: its descriptor, a proxy instance for a reference, and the thrown proxy of a
// Java exception. The registry of jni_core.h maps Java class names to these factories.
//
// Thread rule: factories are immutable and shared by all threads. Ownership: `makeProxy` hands
// the caller a proxy with its own global reference; the given reference stays the caller's.
#pragma once

#include <jni.h>

#include <memory>

#include "jbridge/jclass.h"
#include "jbridge/jvalue.h"

namespace jbridge {

class JFactory {
 public:
  virtual ~JFactory() = default;
  virtual const JClass& getJniClass() const = 0;
  virtual std::unique_ptr<proxy::JObject> makeProxy(jobject ref) const = 0;
  // Throws a proxy of this class, by value, for `thrown`.
  [[noreturn]] virtual void throwProxy(jthrowable thrown) const = 0;
};

template <class P>
class JFactoryImpl final : public JFactory {
 public:
  const JClass& getJniClass() const override { return P::staticJniClass(); }
  std::unique_ptr<proxy::JObject> makeProxy(jobject ref) const override {
    return std::make_unique<P>(ref);
  }
  [[noreturn]] void throwProxy(jthrowable thrown) const override { throw P(thrown); }
};

}  // namespace jbridge
