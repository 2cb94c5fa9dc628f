// Finds jvm.dll at run time so that nothing links against a particular JDK: JAVA_HOME's when
// it is set (and no other), else the one the JDK or JRE installer registered, else whatever
// jvm.dll the system's search path finds.
//
// The VM is never destroyed, as on POSIX: DestroyJavaVM waits for every attached thread.
#include <windows.h>

#include <cstdlib>
#include <mutex>
#include <sstream>

#include "platform/jvm.h"
#include "platform/jvm_loader.h"
#include "platform/registry.h"

namespace qz::platform {
namespace {

// Where the VM library sits below a JDK (server first) or an older JRE.
constexpr const char* kJvmInHome[] = {"\\bin\\server\\jvm.dll", "\\bin\\client\\jvm.dll",
                                      "\\jre\\bin\\server\\jvm.dll", "\\jre\\bin\\client\\jvm.dll"};

std::string envText(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool fileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string jvmInHome(const std::string& home) {
  for (const char* tail : kJvmInHome) {
    if (fileExists(home + tail)) return home + tail;
  }
  return home + kJvmInHome[0];
}

// The home an installer registered under HKLM\SOFTWARE\JavaSoft\<product>\<CurrentVersion>.
std::string registeredJavaHome() {
  for (const char* product : {"JDK", "Java Development Kit", "JRE", "Java Runtime Environment"}) {
    const std::string key = std::string("SOFTWARE\\JavaSoft\\") + product;
    std::string version, home;
    if (readRegistryString(RegistryRoot::kLocalMachine, key, "CurrentVersion", &version) &&
        readRegistryString(RegistryRoot::kLocalMachine, key + "\\" + version, "JavaHome", &home) &&
        !home.empty()) {
      return home;
    }
  }
  return "";
}

std::vector<std::string> jvmCandidates() {
  const std::string javaHome = envText("JAVA_HOME");
  if (!javaHome.empty()) return {jvmInHome(javaHome)};
  std::vector<std::string> out;
  const std::string registered = registeredJavaHome();
  if (!registered.empty()) out.push_back(jvmInHome(registered));
  out.push_back("jvm.dll");
  return out;
}

std::string lastErrorText() {
  char text[512] = {};
  const DWORD code = GetLastError();
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                      text, sizeof text, nullptr)) {
    return "error " + std::to_string(code);
  }
  std::string out(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) {
    out.pop_back();
  }
  return out;
}

template <typename Fn>
Fn symbol(HMODULE library, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

HMODULE jvmLibrary = nullptr;  // guarded by loaderMutex()

}  // namespace

JvmOptions defaultJvmOptions() {
  JvmOptions result;
  result.classPath = envText("QZ_CLASSPATH");
  std::istringstream words(envText("QZ_JVM_OPTIONS"));
  bool namesFileEncoding = false;
  bool namesJnuEncoding = false;
  for (std::string word; words >> word;) {
    if (word.rfind("-Dfile.encoding=", 0) == 0) namesFileEncoding = true;
    if (word.rfind("-Dsun.jnu.encoding=", 0) == 0) namesJnuEncoding = true;
    result.options.push_back(word);
  }
  if (!namesFileEncoding) {
    result.options.push_back("-Dfile.encoding=UTF-8");
    if (!namesJnuEncoding) result.options.push_back("-Dsun.jnu.encoding=UTF-8");
  }
  return result;
}

std::string javaHomeProblem() {
  const std::string javaHome = envText("JAVA_HOME");
  if (javaHome.empty()) return "";
  const std::string path = jvmInHome(javaHome);
  if (!fileExists(path)) return "JAVA_HOME=" + javaHome + ", but " + path + " is not there";
  std::lock_guard<std::mutex> lock(loaderMutex());
  HMODULE library = LoadLibraryA(path.c_str());
  if (!library) {
    return "JAVA_HOME=" + javaHome + ", but " + path + " does not load: " + lastErrorText();
  }
  const bool isJvm = symbol<CreateJavaVMFn>(library, "JNI_CreateJavaVM") != nullptr;
  FreeLibrary(library);
  return isJvm ? "" : "JAVA_HOME=" + javaHome + ", but " + path + " is not a Java VM library";
}

std::mutex& loaderMutex() {
  static std::mutex mutex;
  return mutex;
}

GetCreatedJavaVMsFn loadedGetCreated() {
  if (!jvmLibrary) jvmLibrary = GetModuleHandleA("jvm.dll");
  return jvmLibrary ? symbol<GetCreatedJavaVMsFn>(jvmLibrary, "JNI_GetCreatedJavaVMs") : nullptr;
}

bool loadJvmLibrary(GetCreatedJavaVMsFn* getCreated, CreateJavaVMFn* create, std::string* error) {
  if (!jvmLibrary) {
    std::string reasons;
    for (const std::string& path : jvmCandidates()) {
      if ((jvmLibrary = LoadLibraryA(path.c_str()))) break;
      reasons += "\n  " + path + ": " + lastErrorText();
    }
    if (!jvmLibrary) {
      if (error) *error = "Unable to load the Java VM library jvm.dll (set JAVA_HOME):" + reasons;
      return false;
    }
  }
  *getCreated = symbol<GetCreatedJavaVMsFn>(jvmLibrary, "JNI_GetCreatedJavaVMs");
  *create = symbol<CreateJavaVMFn>(jvmLibrary, "JNI_CreateJavaVM");
  return true;
}

}  // namespace qz::platform
