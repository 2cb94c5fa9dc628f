// Finds libjvm at run time so that nothing links against a particular JDK.
//
// The VM is never destroyed: JNI_DestroyJavaVM waits for every attached non-daemon thread and
// would hang the exit of a host that still has threads attached. The process simply exits.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

#include "platform/jvm.h"

namespace qz::platform {
namespace {

using GetCreatedJavaVMsFn = jint (*)(JavaVM**, jsize, jsize*);
using CreateJavaVMFn = jint (*)(JavaVM**, void**, void*);

constexpr const char* kDriverJars[] = {"hsqldb", "postgresql", "h2", "derby", "sqlite-jdbc"};
constexpr const char* kJarFolder = "/usr/share/java/";

bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string envText(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

constexpr const char* kLibjvmInHome = "/lib/server/libjvm.so";

// The whole content of a small file, or "" when it cannot be read.
std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The class-data archive to try: QZ_CDS_ARCHIVE when set (empty: none), else the one
// scripts/make-cds.sh makes under the user's cache folder.
std::string cdsArchivePath() {
  if (const char* set = std::getenv("QZ_CDS_ARCHIVE")) return set;
  std::string cache = envText("XDG_CACHE_HOME");
  if (cache.empty()) {
    const std::string home = envText("HOME");
    if (home.empty()) return "";
    cache = home + "/.cache";
  }
  return cache + "/qzjdbc/drivers.jsa";
}

// Candidate libjvm paths in the order of preference: the user's JDK alone when JAVA_HOME names
// one (a user who names a JDK must never get another without being told), else the system
// default and the JDK the project is built with.
std::vector<std::string> libjvmCandidates() {
  std::string javaHome = envText("JAVA_HOME");
  if (!javaHome.empty()) return {javaHome + kLibjvmInHome};
  return {"/usr/lib/jvm/default-java/lib/server/libjvm.so",
          "/usr/lib/jvm/java-17-openjdk-amd64/lib/server/libjvm.so"};
}

// Guards the library handle and VM creation: JNI_CreateJavaVM may run only once per process.
std::mutex& loaderMutex() {
  static std::mutex mutex;
  return mutex;
}
void* libjvmHandle = nullptr;  // guarded by loaderMutex()

// A libjvm that is already in the process (loaded by the host or by us) without loading one.
GetCreatedJavaVMsFn loadedGetCreated() {
  if (libjvmHandle) {
    return reinterpret_cast<GetCreatedJavaVMsFn>(::dlsym(libjvmHandle, "JNI_GetCreatedJavaVMs"));
  }
  if (void* sym = ::dlsym(RTLD_DEFAULT, "JNI_GetCreatedJavaVMs")) {
    return reinterpret_cast<GetCreatedJavaVMsFn>(sym);
  }
  for (const std::string& path : libjvmCandidates()) {
    if (void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
      libjvmHandle = handle;
      return reinterpret_cast<GetCreatedJavaVMsFn>(::dlsym(handle, "JNI_GetCreatedJavaVMs"));
    }
  }
  return nullptr;
}

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

JvmOptions defaultJvmOptions() {
  JvmOptions result;
  std::string classPath = envText("QZ_CLASSPATH");
  for (const char* jar : kDriverJars) {
    std::string path = std::string(kJarFolder) + jar + ".jar";
    if (!fileExists(path)) continue;
    if (!classPath.empty()) classPath += ':';
    classPath += path;
  }
  result.classPath = classPath;

  std::istringstream words(envText("QZ_JVM_OPTIONS"));
  bool namesFileEncoding = false;
  bool namesJnuEncoding = false;
  bool namesSharing = false;
  for (std::string word; words >> word;) {
    if (word.rfind("-Dfile.encoding=", 0) == 0) namesFileEncoding = true;
    if (word.rfind("-Dsun.jnu.encoding=", 0) == 0) namesJnuEncoding = true;
    if (word.rfind("-Xshare", 0) == 0 || word.rfind("-XX:SharedArchiveFile", 0) == 0) {
      namesSharing = true;
    }
    result.options.push_back(word);
  }
  // Native text crosses as bytes in the default charset; UTF-8 keeps it independent of the
  // locale the host happens to run under. A user who names a charset gets exactly that one.
  if (!namesFileEncoding) {
    result.options.push_back("-Dfile.encoding=UTF-8");
    if (!namesJnuEncoding) result.options.push_back("-Dsun.jnu.encoding=UTF-8");
  }
  // The driver classes from an archive made for exactly this class path save a fifth of a
  // start. An archive the VM cannot use (another JDK) is passed over silently; the user's own
  // sharing options win.
  const std::string archive = cdsArchivePath();
  if (!namesSharing && !archive.empty() && fileExists(archive) &&
      fileText(archive + ".classpath") == classPath) {
    result.options.push_back("-XX:SharedArchiveFile=" + archive);
    result.options.push_back("-Xlog:cds=off,cds+dynamic=off");
  }
  return result;
}

std::string javaHomeProblem() {
  std::string javaHome = envText("JAVA_HOME");
  if (javaHome.empty()) return "";
  std::string path = javaHome + kLibjvmInHome;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return "JAVA_HOME=" + javaHome + ", but " + path + " is not there";
  std::lock_guard<std::mutex> lock(loaderMutex());
  if (void* handle = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL)) {
    bool isJvm = ::dlsym(handle, "JNI_CreateJavaVM") != nullptr;
    ::dlclose(handle);
    return isJvm ? "" : "JAVA_HOME=" + javaHome + ", but " + path + " is not a Java VM library";
  }
  const char* reason = ::dlerror();
  return "JAVA_HOME=" + javaHome + ", but " + path +
         " does not load: " + (reason ? reason : "unknown reason");
}

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

  if (!libjvmHandle) {
    std::string reasons;
    for (const std::string& path : libjvmCandidates()) {
      if (void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        libjvmHandle = handle;
        break;
      }
      const char* reason = ::dlerror();
      reasons += "\n  " + path + ": " + (reason ? reason : "not loadable");
    }
    if (!libjvmHandle) {
      std::string javaHome = envText("JAVA_HOME");
      setError(error,
               javaHome.empty()
                   ? "Unable to load the Java VM library libjvm.so (set JAVA_HOME):" + reasons
                   : "Unable to load the Java VM library of JAVA_HOME=" + javaHome +
                         " (unset JAVA_HOME to use the system's default Java):" + reasons);
      return nullptr;
    }
  }
  auto getCreated =
      reinterpret_cast<GetCreatedJavaVMsFn>(::dlsym(libjvmHandle, "JNI_GetCreatedJavaVMs"));
  auto create = reinterpret_cast<CreateJavaVMFn>(::dlsym(libjvmHandle, "JNI_CreateJavaVM"));
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
