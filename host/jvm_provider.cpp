#include <cstdio>
#include <mutex>
#include <string>

#include "host/companions.h"
#include "object/com_ref.h"
#include "platform/jvm.h"
#include "variant/variant.h"

namespace qz::host {
namespace {

class jvmProviderC final : public defQZCOMWrapperT<qzIJvmProvider, &qziid::kJvmProvider> {
 public:
  int32_t getConfiguration(qzVariantS* out) override {
    if (!out) return kQzFailed;
    try {
      platform::JvmOptions options = platform::defaultJvmOptions();
      std::string text = "-Djava.class.path=" + options.classPath;
      for (const std::string& o : options.options) text += " " + o;
      out->setString(text.c_str());
      return kQzOk;
    } catch (...) {
      return kQzFailed;
    }
  }

  int32_t getJavaVM(void** vm, void** env) override {
    if (!vm) return kQzFailed;
    try {
      // One VM per process: starting it is serialised across providers and threads.
      static std::mutex startLock;
      std::lock_guard<std::mutex> guard(startLock);
      std::string error;
      JavaVM* jvm = platform::obtainJavaVM(platform::defaultJvmOptions(), &error);
      if (!jvm) {
        // The interface carries no message: the reason (path, loader error, JNI code) goes
        // where the user of the host sees it.
        std::fprintf(stderr, "zeltools.jvm: %s\n", error.c_str());
        return kQzFailed;
      }
      *vm = jvm;
      if (env) {
        void* e = nullptr;
        *env = jvm->GetEnv(&e, JNI_VERSION_1_8) == JNI_OK ? e : nullptr;
      }
      return kQzOk;
    } catch (...) {
      return kQzFailed;
    }
  }
};

}  // namespace

qzIUnknown* createJvmProvider() {
  return newCompanion<qzIJvmProvider, jvmProviderC>();
}

}  // namespace qz::host
