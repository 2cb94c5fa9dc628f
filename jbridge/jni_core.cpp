#include "jbridge/jni_core.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <sstream>

#include "jbridge/jfactory.h"
#include "platform/jvm.h"

namespace jbridge {

namespace proxy {
// Registers the factories of every proxy class of this library; in proxy/registry.cpp.
void registerProxyFactories();
}  // namespace proxy

namespace {

std::atomic<JavaVM*> javaVM{nullptr};
std::atomic<bool> shutdownFlag{false};
std::atomic<long> liveGlobals{0};

// Asks the libjvm of this process, so that a VM started by someone else is found.
class RunningVmLoader final : public JavaVMLoader {
 public:
  jint getCreatedJavaVMs(JavaVM** vms, jsize capacity, jsize* count) override {
    return qz::platform::getCreatedJavaVMs(vms, capacity, count);
  }
};
RunningVmLoader runningVmLoader;
std::atomic<JavaVMLoader*> vmLoader{&runningVmLoader};

// Marks the shutdown when the module's statics go (unload) if the exit handler did not run.
struct ShutdownMarker {
  ~ShutdownMarker() { markVmShutdown(); }
} shutdownMarker;

void onExit() {
  markVmShutdown();
}

// Runs once, when the VM becomes known: the exit handler must be registered after every class
// descriptor exists, so that at exit it runs before they are destroyed and they delete nothing.
void startUp() {
  static std::once_flag once;
  std::call_once(once, [] {
    factoryRegistry();
    std::atexit(onExit);
  });
}

// Detaches at thread exit a thread that `attach` attached; threads attached by others stay.
// Its environment is this thread's for as long as the attachment lasts, so it is handed out
// without asking the VM again; a thread someone else attached is asked every time, since its
// owner may detach it.
struct AttachGuard {
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  ~AttachGuard() {
    env = nullptr;
    if (vm && !vmShutdown()) vm->DetachCurrentThread();
  }
};
thread_local AttachGuard ownAttachment;

// A thread attached from native code starts without a context class loader, and DriverManager
// then refuses every driver loaded from the class path. Give it the loader that a thread
// started by the application has. Best effort: a failure leaves the thread as it was.
void adoptSystemClassLoader(JNIEnv* env) {
  auto failed = [env] {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionClear();
    return true;
  };
  LocalRef<jclass> threadClass(env, env->FindClass("java/lang/Thread"));
  if (failed() || !threadClass) return;
  LocalRef<jclass> loaderClass(env, env->FindClass("java/lang/ClassLoader"));
  if (failed() || !loaderClass) return;
  jmethodID current =
      env->GetStaticMethodID(threadClass.get(), "currentThread", "()Ljava/lang/Thread;");
  if (failed()) return;
  jmethodID getLoader =
      env->GetMethodID(threadClass.get(), "getContextClassLoader", "()Ljava/lang/ClassLoader;");
  if (failed()) return;
  jmethodID setLoader =
      env->GetMethodID(threadClass.get(), "setContextClassLoader", "(Ljava/lang/ClassLoader;)V");
  if (failed()) return;
  jmethodID systemLoader = env->GetStaticMethodID(loaderClass.get(), "getSystemClassLoader",
                                                  "()Ljava/lang/ClassLoader;");
  if (failed()) return;
  LocalRef<> thread(env, env->CallStaticObjectMethod(threadClass.get(), current));
  if (failed() || !thread) return;
  LocalRef<> existing(env, env->CallObjectMethod(thread.get(), getLoader));
  if (failed() || existing) return;
  LocalRef<> loader(env, env->CallStaticObjectMethod(loaderClass.get(), systemLoader));
  if (failed() || !loader) return;
  env->CallVoidMethod(thread.get(), setLoader, loader.get());
  failed();
}

std::atomic<long> gFaultCountdown{0};

// Makes the armed fault pending when its call comes. One relaxed load when disarmed.
void injectFault(JNIEnv* env) {
  long left = gFaultCountdown.load(std::memory_order_relaxed);
  while (left > 0 && !gFaultCountdown.compare_exchange_weak(left, left - 1)) {
  }
  if (left != 1 || env->ExceptionCheck()) return;
  jclass cls = env->FindClass("java/sql/SQLException");
  if (cls) {
    env->ThrowNew(cls, "injected fault");
    env->DeleteLocalRef(cls);
  }
}

FactoryRegistry& registryInstance() {
  static FactoryRegistry registry;
  return registry;
}

// Text of a Java string, or nothing when the VM cannot give it.
std::optional<std::string> stringText(JNIEnv* env, jstring text) {
  const char* chars = env->GetStringUTFChars(text, nullptr);
  if (!chars) {
    env->ExceptionClear();
    return std::nullopt;
  }
  std::string result(chars);
  env->ReleaseStringUTFChars(text, chars);
  return result;
}

// Throws `message` after a failed call on the exception's class objects.
void failIfPending(JNIEnv* env, const char* message) {
  if (!env->ExceptionCheck()) return;
  env->ExceptionDescribe();
  env->ExceptionClear();
  throw JNIException(std::string("helper::catchAndThrow()\n") + message);
}

jclass findClassOrFail(JNIEnv* env, const char* name, const char* message) {
  jclass found = env->FindClass(name);
  if (!found) {
    env->ExceptionClear();
    throw JNIException(message);
  }
  return found;
}

jmethodID methodOrFail(JNIEnv* env, jclass cls, const char* name, const char* sig,
                       const char* message) {
  jmethodID id = env->GetMethodID(cls, name, sig);
  if (!id) {
    env->ExceptionClear();
    throw JNIException(message);
  }
  return id;
}

}  // namespace

void setJavaVM(JavaVM* vm) {
  javaVM.store(vm, std::memory_order_release);
  if (vm) startUp();
}

JavaVM* getJavaVM() {
  if (JavaVM* vm = javaVM.load(std::memory_order_acquire)) return vm;
  JavaVM* found = nullptr;
  jsize count = 0;
  jint rc = vmLoader.load(std::memory_order_acquire)->getCreatedJavaVMs(&found, 1, &count);
  if (rc != 0) {
    throw JNIException(
        "JNIHelper::getJavaVM\nUnable to find the JVM. The specific JNI error code is " +
        helper::toText(rc));
  }
  if (count != 1) {
    throw JNIException("JNIHelper::getJavaVM\nLooking for exactly 1 JVM, but " +
                       helper::toText(count) + " were found.");
  }
  setJavaVM(found);
  return found;
}

void setJavaVMLoader(JavaVMLoader* loader) {
  vmLoader.store(loader ? loader : &runningVmLoader, std::memory_order_release);
}

bool vmShutdown() {
  return shutdownFlag.load(std::memory_order_acquire);
}
void markVmShutdown() {
  shutdownFlag.store(true, std::memory_order_release);
}

JNIEnv* JNIHelper::attach() {
  if (vmShutdown()) throw JNIException("The VM has already been shutdown.");
  if (JNIEnv* own = ownAttachment.env) return own;
  JavaVM* vm = getJavaVM();
  JNIEnv* env = nullptr;
  jint rc = vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_8);
  if (rc == JNI_OK) return env;
  if (rc == JNI_EDETACHED) {
    rc = vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr);
    if (rc == JNI_OK) {
      ownAttachment.vm = vm;
      adoptSystemClassLoader(env);
      ownAttachment.env = env;
      return env;
    }
  }
  throw JNIException(
      "JNIHelper::attach\nUnable to attach the current thread. The specific JNI error code is " +
      helper::toText(rc));
}

jobject JNIHelper::newGlobalRef(JNIEnv* env, jobject obj) {
  if (!obj) return nullptr;
  jobject global = env->NewGlobalRef(obj);
  if (!global) {
    throw JNIException(
        "JNIHelper::newGlobalRef\nUnable to create a new global reference.\nIt is likely that you "
        "have exceeded the max heap size of your virtual machine.");
  }
  liveGlobals.fetch_add(1, std::memory_order_relaxed);
  return global;
}

void JNIHelper::deleteGlobalRef(JNIEnv* env, jobject obj) {
  if (!obj || vmShutdown()) return;
  env->DeleteGlobalRef(obj);
  liveGlobals.fetch_sub(1, std::memory_order_relaxed);
}

void JNIHelper::deleteLocalRef(JNIEnv* env, jobject obj) {
  if (!obj || vmShutdown()) return;
  env->DeleteLocalRef(obj);
}

long JNIHelper::liveGlobalRefs() {
  return liveGlobals.load(std::memory_order_relaxed);
}

namespace fault {

void failJavaCall(long n) {
  gFaultCountdown.store(n > 0 ? n : 0);
}
long javaCallsBeforeFault() {
  return gFaultCountdown.load();
}

}  // namespace fault

namespace helper {

void catchAndThrow() {
  catchAndThrow(JNIHelper::attach());
}

void catchAndThrow(JNIEnv* env) {
  injectFault(env);
  if (!env->ExceptionCheck()) return;
  LocalRef<jthrowable> thrown(env, env->ExceptionOccurred());
  env->ExceptionClear();

  jmethodID getClassId;
  jmethodID getNameId;
  jmethodID getSuperclassId;
  {
    LocalRef<jclass> throwableClass(
        env, findClassOrFail(env, "java/lang/Throwable",
                             "Assert failed: Unable to find the class, java.lang.Throwable."));
    LocalRef<jclass> classClass(
        env, findClassOrFail(env, "java/lang/Class",
                             "Assert failed: Unable to find the class, java.lang.Class."));
    getClassId = methodOrFail(env, throwableClass.get(), "getClass", "()Ljava/lang/Class;",
                              "Assert failed: Unable to find the method, Throwable.getClass().");
    getNameId = methodOrFail(env, classClass.get(), "getName", "()Ljava/lang/String;",
                             "Assert failed: Unable to find the method, Class.getName().");
    getSuperclassId =
        methodOrFail(env, classClass.get(), "getSuperclass", "()Ljava/lang/Class;",
                     "Assert failed: Unable to find the method, Class.getSuperclass().");
  }

  LocalRef<jclass> cls(env, static_cast<jclass>(env->CallObjectMethod(thrown.get(), getClassId)));
  failIfPending(env, "An error occurred while trying to call getClass() on the thrown exception.");
  LocalRef<jstring> name(env, static_cast<jstring>(env->CallObjectMethod(cls.get(), getNameId)));
  failIfPending(env,
                "An error occurred while trying to call getName() on the class of the thrown "
                "exception.");
  std::optional<std::string> text;
  if (name) text = stringText(env, name.get());
  if (!text)
    throw JNIException("Unable to retrieve the character string for an exception message.");
  const std::string thrownName = *text;

  const FactoryRegistry& registry = factoryRegistry();
  while (true) {
    auto entry = registry.find(*text);
    // Throws the proxy; the local references go with the unwinding.
    if (entry != registry.end()) entry->second->throwProxy(thrown.get());
    LocalRef<jclass> super(env,
                           static_cast<jclass>(env->CallObjectMethod(cls.get(), getSuperclassId)));
    failIfPending(
        env, "An error occurred while trying to call getSuperclass() on the thrown exception.");
    if (!super) break;
    cls = std::move(super);
    name =
        LocalRef<jstring>(env, static_cast<jstring>(env->CallObjectMethod(cls.get(), getNameId)));
    failIfPending(env,
                  "An error occurred while trying to call getName() on the superclass of the "
                  "thrown exception.");
    text.reset();
    if (name) text = stringText(env, name.get());
    if (!text) {
      throw JNIException("Unable to retrieve the character string for an exception message.");
    }
  }
  std::ostringstream message;
  message << "Can't find any linked in parent exception for " << thrownName << "\nThe exception is "
          << static_cast<const void*>(thrown.get());
  throw JNIException(message.str());
}

std::string toText(jint value) {
  return std::to_string(value);
}

std::string toText(JNIEnv* env, jstring text) {
  if (!text) return "";
  return stringText(env, text).value_or("");
}

}  // namespace helper

void registerFactory(const JFactory& factory) {
  std::string name = factory.getJniClass().getInternalName();
  for (char& c : name) {
    if (c == '/') c = '.';
  }
  registryInstance()[name] = &factory;
}

const FactoryRegistry& factoryRegistry() {
  static const bool filled = (proxy::registerProxyFactories(), true);
  (void)filled;
  return registryInstance();
}

const JFactory* findFactory(const std::string& dottedName) {
  const FactoryRegistry& registry = factoryRegistry();
  auto entry = registry.find(dottedName);
  return entry == registry.end() ? nullptr : entry->second;
}

}  // namespace jbridge
