// The system's well-known folders and names, as the placeholders and built-in constants of
// the variable expansion need them.
//
// Folders come as the system reports them and may end in a separator; callers that compose
// paths strip it. Thread rule: any thread; every call reads the environment anew. All results
// are copies or static texts.
#pragma once

#include <string>

namespace qz::platform {

// The folder the operating system is installed in ("%SystemRoot%"). Never empty.
std::string systemRootFolder();

// The temporary folder ("%SystemTemp%"). Never empty.
std::string systemTempFolder();

// The folder per-user application settings live in ("%UserAppData%"); empty when the system
// cannot tell.
std::string userAppDataFolder();

// What "%UserAppData%" becomes when neither the system nor the registry names a folder.
std::string appDataFallbackFolder();

// The built-in constants OSNAME, OSEXT (executable file extension, without the dot) and
// OSDLLEXT (dynamic library extension, without the dot).
const char* osName();
const char* osExecutableExtension();
const char* osLibraryExtension();

}  // namespace qz::platform
