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
#include "platform/jvm_loader.h"

namespace qz::platform {
namespace {

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

void* libjvmHandle = nullptr;  // guarded by loaderMutex()

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

std::mutex& loaderMutex() {
  static std::mutex mutex;
  return mutex;
}

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

bool loadJvmLibrary(GetCreatedJavaVMsFn* getCreated, CreateJavaVMFn* create, std::string* error) {
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
      return false;
    }
  }
  *getCreated =
      reinterpret_cast<GetCreatedJavaVMsFn>(::dlsym(libjvmHandle, "JNI_GetCreatedJavaVMs"));
  *create = reinterpret_cast<CreateJavaVMFn>(::dlsym(libjvmHandle, "JNI_CreateJavaVM"));
  return true;
}

}  // namespace qz::platform
