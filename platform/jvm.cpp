// The VM code every platform shares; jvm_<platform>.cpp finds and loads the VM library.
#include "platform/jvm.h"

#include <string>
#include <vector>

#include "platform/jvm_loader.h"

namespace qz::platform {
namespace {

JavaVM* createdVm(GetCreatedJavaVMsFn getCreated) {
  if (!getCreated) return nullptr;
  JavaVM* vm = nullptr;
  jsize count = 0;
  if (getCreated(&vm, 1, &count) != JNI_OK || count < 1) return nullptr;
  return vm;
}

void setError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

}  // namespace

JavaVM* runningJavaVM() {
  std::lock_guard<std::mutex> lock(loaderMutex());
  return createdVm(loadedGetCreated());
}

jint getCreatedJavaVMs(JavaVM** vms, jsize capacity, jsize* count) {
  GetCreatedJavaVMsFn getCreated;
  {
    std::lock_guard<std::mutex> lock(loaderMutex());
    getCreated = loadedGetCreated();
  }
  if (!getCreated) {
    *count = 0;
    return JNI_OK;
  }
  return getCreated(vms, capacity, count);
}

JavaVM* obtainJavaVM(const JvmOptions& options, std::string* error) {
  std::lock_guard<std::mutex> lock(loaderMutex());
  if (JavaVM* vm = createdVm(loadedGetCreated())) return vm;
  GetCreatedJavaVMsFn getCreated = nullptr;
  CreateJavaVMFn create = nullptr;
  if (!loadJvmLibrary(&getCreated, &create, error)) return nullptr;
  if (!getCreated || !create) {
    setError(error, "The Java VM library does not export JNI_CreateJavaVM/JNI_GetCreatedJavaVMs.");
    return nullptr;
  }
  if (JavaVM* vm = createdVm(getCreated)) return vm;

  std::vector<std::string> texts;
  texts.push_back("-Djava.class.path=" + options.classPath);
  texts.insert(texts.end(), options.options.begin(), options.options.end());
  std::vector<JavaVMOption> vmOptions(texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    vmOptions[i].optionString = texts[i].data();
    vmOptions[i].extraInfo = nullptr;
  }

  jint rc = JNI_EVERSION;
  JavaVM* vm = nullptr;
  for (jint version : {JNI_VERSION_10, JNI_VERSION_1_8}) {
    JavaVMInitArgs args;
    args.version = version;
    args.nOptions = static_cast<jint>(vmOptions.size());
    args.options = vmOptions.data();
    args.ignoreUnrecognized = JNI_FALSE;
    JNIEnv* env = nullptr;
    rc = create(&vm, reinterpret_cast<void**>(&env), &args);
    if (rc != JNI_EVERSION) break;
  }
  if (rc != JNI_OK || !vm) {
    std::string text = "JNI_CreateJavaVM failed with error code " + std::to_string(rc);
    if (rc == JNI_EINVAL) text += " (an invalid VM option)";
    if (rc == JNI_EEXIST) text += " (a Java VM already exists in this process)";
    if (rc == JNI_ENOMEM) text += " (not enough memory)";
    setError(error, text);
    return nullptr;
  }
  // The creating thread comes back attached as a non-daemon thread. Users attach as they need,
  // so leave no attachment behind that could outlive this thread.
  vm->DetachCurrentThread();
  return vm;
}

}  // namespace qz::platform
