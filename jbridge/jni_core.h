// The process's one Java VM, attachment of calling threads, reference bookkeeping and the
// translation of pending Java exceptions into thrown proxies.
//
// Thread rule: any thread may call anything here; each call attaches its thread (once: a thread
// attached here keeps its environment until it exits). There are no
// locks: the VM pointer is set once, and the factory registry is filled once before use.
// Ownership: `LocalRef` owns one local reference of the calling thread and deletes it when it
// goes out of scope; a native thread attached to the VM never returns to Java, so a local
// reference that is not deleted lives until the thread detaches.
//
// Results: the VM loader answers JNI's own codes (JNI_OK, else a negative JNI error code);
// failures elsewhere are thrown.
#pragma once

#include <jni.h>

#include <exception>
#include <map>
#include <string>
#include <utility>

namespace jbridge {

// The base of every exception this library raises itself.
class BaseException : public std::exception {
 public:
  explicit BaseException(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// A failure of the native interface: no VM, a missing class, method or field, a null proxy.
class JNIException : public BaseException {
 public:
  using BaseException::BaseException;
};

// Supplies the VM when none was set, with the contract of JNI_GetCreatedJavaVMs.
class JavaVMLoader {
 public:
  virtual ~JavaVMLoader() = default;
  virtual jint getCreatedJavaVMs(JavaVM** vms, jsize capacity, jsize* count) = 0;
};

// Sets the VM every later call uses. Also fills the factory registry, so that every proxy class
// descriptor exists before the exit handler that marks the shutdown is registered.
void setJavaVM(JavaVM* vm);

// The VM set, else the one the loader finds (the loader set by `setJavaVMLoader`, by default
// the VM already running in this process). Throws JNIException when there is none.
JavaVM* getJavaVM();

// Replaces the loader `getJavaVM` asks; null restores the default. Not owned.
void setJavaVMLoader(JavaVMLoader* loader);

// Once set (at exit or unload), no reference is deleted any more and `attach` fails.
bool vmShutdown();
void markVmShutdown();

class JNIHelper {
 public:
  // The calling thread's environment. A thread that is not attached is attached as a daemon and
  // detached again when it exits, so it never holds the process or the VM.
  static JNIEnv* attach();

  // A new global reference of `obj` (null for null). Throws JNIException when the VM refuses.
  static jobject newGlobalRef(JNIEnv* env, jobject obj);
  static void deleteGlobalRef(JNIEnv* env, jobject obj);
  static void deleteLocalRef(JNIEnv* env, jobject obj);

  // Global references made through newGlobalRef and not yet deleted; for leak checks.
  static long liveGlobalRefs();
};

// One local reference, deleted when the object goes. Move-only; stays on its thread.
template <class T = jobject>
class LocalRef {
 public:
  LocalRef() = default;
  LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
  LocalRef(LocalRef&& other) noexcept
      : env_(other.env_), ref_(std::exchange(other.ref_, nullptr)) {}
  LocalRef& operator=(LocalRef&& other) noexcept {
    if (this != &other) {
      reset();
      env_ = other.env_;
      ref_ = std::exchange(other.ref_, nullptr);
    }
    return *this;
  }
  LocalRef(const LocalRef&) = delete;
  LocalRef& operator=(const LocalRef&) = delete;
  ~LocalRef() { reset(); }

  T get() const { return ref_; }
  explicit operator bool() const { return ref_ != nullptr; }
  void reset() {
    if (ref_) JNIHelper::deleteLocalRef(env_, std::exchange(ref_, nullptr));
  }

 private:
  JNIEnv* env_ = nullptr;
  T ref_ = nullptr;
};

class JClass;
class JFactory;

namespace helper {

// Returns when no Java exception is pending; otherwise clears it and throws the proxy of the
// nearest registered class on its class chain (java::sql::SQLException, java::lang::Exception,
// ... at the latest java::lang::Throwable).
void catchAndThrow();
void catchAndThrow(JNIEnv* env);

// Texts used in messages.
std::string toText(jint value);
// Modified UTF-8 of a Java string through GetStringUTFChars; empty for null.
std::string toText(JNIEnv* env, jstring text);

}  // namespace helper

namespace fault {

// A test seam: the nth check for a pending Java exception from now (any thread) finds a
// java.sql.SQLException "injected fault" pending, as if that Java call had thrown, so the real
// failure path runs; 0 disarms. What is left of the count, 0 once it has fired or disarmed.
void failJavaCall(long n);
long javaCallsBeforeFault();

}  // namespace fault

// Java class name in dotted form, as Class.getName() answers it, to the factory of its proxy.
using FactoryRegistry = std::map<std::string, const JFactory*>;

// Adds a factory under its descriptor's name with "/" replaced by ".". The proxies of this
// library are registered before the first lookup; call this before any Java call is made by
// another thread.
void registerFactory(const JFactory& factory);
const FactoryRegistry& factoryRegistry();
const JFactory* findFactory(const std::string& dottedName);

}  // namespace jbridge
