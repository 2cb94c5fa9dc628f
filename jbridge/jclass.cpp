#include "jbridge/jclass.h"

#include "jbridge/jni_core.h"

namespace jbridge {

namespace {

std::string signatureOf(const std::string& internalName) {
  if (!internalName.empty() && internalName[0] == '[') return internalName;
  return "L" + internalName + ";";
}

}  // namespace

JClassImpl::JClassImpl(std::string internalName)
    : internalName_(std::move(internalName)), signature_(signatureOf(internalName_)) {}

JClassImpl::JClassImpl(std::string internalName, std::string signature)
    : internalName_(std::move(internalName)), signature_(std::move(signature)) {}

JClassImpl::~JClassImpl() {
  jclass cached = class_.load(std::memory_order_acquire);
  if (!cached || vmShutdown()) return;
  try {
    JNIHelper::deleteGlobalRef(JNIHelper::attach(), cached);
  } catch (const std::exception&) {
    // Nothing to tell from a destructor: the VM is gone or cannot be reached.
  }
}

jclass JClassImpl::getClass() const {
  jclass cached = class_.load(std::memory_order_acquire);
  if (cached) return cached;
  JNIEnv* env = JNIHelper::attach();
  LocalRef<jclass> local(env, env->FindClass(internalName_.c_str()));
  if (!local) {
    // FindClass leaves a NoClassDefFoundError pending; the next JNI call must not see it.
    env->ExceptionClear();
    throw JNIException("JClass::getClass - Unable to find the class <" + internalName_ + ">");
  }
  auto global = static_cast<jclass>(JNIHelper::newGlobalRef(env, local.get()));
  jclass expected = nullptr;
  if (!class_.compare_exchange_strong(expected, global, std::memory_order_acq_rel)) {
    // Another thread cached one first; keep its reference and drop ours.
    JNIHelper::deleteGlobalRef(env, global);
    return expected;
  }
  return global;
}

std::unique_ptr<JClass> JClassImpl::clone() const {
  return std::make_unique<JClassImpl>(internalName_, signature_);
}

const JClassImpl kVoidClass("void", "V");
const JClassImpl kBooleanClass("boolean", "Z");
const JClassImpl kByteClass("byte", "B");
const JClassImpl kCharClass("char", "C");
const JClassImpl kShortClass("short", "S");
const JClassImpl kIntClass("int", "I");
const JClassImpl kLongClass("long", "J");
const JClassImpl kFloatClass("float", "F");
const JClassImpl kDoubleClass("double", "D");

const JClassImpl& objectClass() {
  static const JClassImpl descriptor("java/lang/Object");
  return descriptor;
}

}  // namespace jbridge
