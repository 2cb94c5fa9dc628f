// Starting or finding the process's one Java virtual machine.
//
// libjvm is loaded at run time, so nothing links against it: from JAVA_HOME when it is set (and
// from nowhere else: a broken JAVA_HOME fails with a message naming its path), else from the
// system's default JDK. Thread rule: call from any thread; the first caller starts the VM.
//
// Results: getCreatedJavaVMs answers JNI's own codes (JNI_OK, else a negative JNI error code);
// the others answer null on failure, with the reason in *error where they take one.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace qz::platform {

struct JvmOptions {
  std::string classPath;             // joined with ':' (';' on Windows)
  std::vector<std::string> options;  // extra VM options, such as "-Xcheck:jni"
};

// The class path from QZ_CLASSPATH plus the JDBC driver jars found under /usr/share/java,
// and the options from QZ_JVM_OPTIONS (split at blanks), with UTF-8 as the default encoding
// unless an option names one, and the class-data archive of scripts/make-cds.sh when one was
// made for this class path (QZ_CDS_ARCHIVE names another; empty: none) and no option names
// sharing.
JvmOptions defaultJvmOptions();

// The VM already running in this process, or a new one started with `options`.
// Null on failure, with the reason in *error.
JavaVM* obtainJavaVM(const JvmOptions& options, std::string* error);

// The VM already running in this process, or null.
JavaVM* runningJavaVM();

// Why JAVA_HOME's libjvm cannot serve (missing, not loadable, not a Java VM library), naming
// the path; empty when JAVA_HOME is unset or its libjvm loads.
std::string javaHomeProblem();

// JNI_GetCreatedJavaVMs of the libjvm in this process: JNI_OK and a count of 0 when none is
// loaded.
jint getCreatedJavaVMs(JavaVM** vms, jsize capacity, jsize* count);

}  // namespace qz::platform
