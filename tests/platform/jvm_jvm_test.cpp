// Tests of the Java VM launcher: options from the environment, one VM per process, and no
// attachment left behind on the calling thread.
#include "platform/jvm.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "tests/support/scratch.h"

namespace qz::platform {
namespace {

using ScopedEnv = qztest::EnvVar;

bool haveHsqldb() {
  return std::fopen("/usr/share/java/hsqldb.jar", "r") != nullptr;
}

TEST(JvmOptionsTest, ClassPathAndOptionsComeFromTheEnvironment) {
  ScopedEnv noArchive("QZ_CDS_ARCHIVE", "");
  ScopedEnv classPath("QZ_CLASSPATH", "/opt/a.jar:/opt/b.jar");
  ScopedEnv options("QZ_JVM_OPTIONS", "  -Xcheck:jni \t -Dqz.flag=1 ");
  JvmOptions result = defaultJvmOptions();
  EXPECT_EQ(result.classPath.rfind("/opt/a.jar:/opt/b.jar", 0), 0u) << result.classPath;
  if (haveHsqldb()) {
    EXPECT_NE(result.classPath.find(":/usr/share/java/hsqldb.jar"), std::string::npos);
  }
  EXPECT_EQ(result.options,
            (std::vector<std::string>{"-Xcheck:jni", "-Dqz.flag=1", "-Dfile.encoding=UTF-8",
                                      "-Dsun.jnu.encoding=UTF-8"}));
}

TEST(JvmOptionsTest, AnEncodingTheUserNamesIsKept) {
  ScopedEnv noArchive("QZ_CDS_ARCHIVE", "");
  ScopedEnv classPath("QZ_CLASSPATH", std::nullopt);
  ScopedEnv options("QZ_JVM_OPTIONS", "-Dfile.encoding=ISO-8859-1");
  JvmOptions result = defaultJvmOptions();
  EXPECT_EQ(result.options, (std::vector<std::string>{"-Dfile.encoding=ISO-8859-1"}));
  EXPECT_NE(result.classPath.rfind(":", 0), 0u) << "no empty entry first: " << result.classPath;
}

// The archive is mapped only for the class path it was made for: another one would make the VM
// refuse it, or worse, load classes of jars no longer there.
TEST(JvmOptionsTest, TheClassDataArchiveServesOnlyItsOwnClassPath) {
  const std::string archive = ::testing::TempDir() + "qz_drivers.jsa";
  std::ofstream(archive) << "archive";
  ScopedEnv named("QZ_CDS_ARCHIVE", archive);
  ScopedEnv options("QZ_JVM_OPTIONS", std::nullopt);
  ScopedEnv classPath("QZ_CLASSPATH", "/opt/a.jar");
  const std::string path = defaultJvmOptions().classPath;
  auto maps = [&] {
    for (const std::string& o : defaultJvmOptions().options) {
      if (o == "-XX:SharedArchiveFile=" + archive) return true;
    }
    return false;
  };
  EXPECT_FALSE(maps()) << "no class path recorded";
  std::ofstream(archive + ".classpath") << path;
  EXPECT_TRUE(maps());
  {
    ScopedEnv other("QZ_CLASSPATH", "/opt/b.jar");
    EXPECT_FALSE(maps());
  }
  {
    ScopedEnv own("QZ_JVM_OPTIONS", "-Xshare:off");
    EXPECT_FALSE(maps()) << "the user's sharing option wins";
  }
  std::remove((archive + ".classpath").c_str());
  std::remove(archive.c_str());
}

TEST(JvmTest, OneVmPerProcessAndNoAttachmentLeftBehind) {
  std::string error;
  JavaVM* vm = obtainJavaVM(defaultJvmOptions(), &error);
  ASSERT_NE(vm, nullptr) << error;
  EXPECT_EQ(obtainJavaVM(defaultJvmOptions(), &error), vm);
  EXPECT_EQ(runningJavaVM(), vm);
  JavaVM* found = nullptr;
  jsize count = 0;
  EXPECT_EQ(getCreatedJavaVMs(&found, 1, &count), JNI_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(found, vm);

  // What the options make of the VM is the provider test's, in the host.
  JNIEnv* env = nullptr;
  EXPECT_EQ(vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_8), JNI_EDETACHED);
}

}  // namespace
}  // namespace qz::platform

// The VM is never destroyed; leave without tearing down its library's statics while its
// threads still run (under -Xcheck:jni they would report the signal handlers as modified).
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  std::fflush(nullptr);
  std::_Exit(result);
}
