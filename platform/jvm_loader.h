// What each platform supplies to the VM code they share: finding and loading its VM library.
#pragma once

#include <jni.h>

#include <mutex>
#include <string>

namespace qz::platform {

using GetCreatedJavaVMsFn = jint(JNICALL*)(JavaVM**, jsize, jsize*);
using CreateJavaVMFn = jint(JNICALL*)(JavaVM**, void**, void*);

// Guards the library handle and VM creation: JNI_CreateJavaVM may run only once per process.
std::mutex& loaderMutex();

// JNI_GetCreatedJavaVMs of a VM library already in the process, without loading one; null
// when there is none. Called under loaderMutex().
GetCreatedJavaVMsFn loadedGetCreated();

// Loads the VM library unless it is loaded and looks up both entry points (null when the
// library lacks one). False, with the reason in *error, when no library loads. Called under
// loaderMutex().
bool loadJvmLibrary(GetCreatedJavaVMsFn* getCreated, CreateJavaVMFn* create, std::string* error);

}  // namespace qz::platform
