// The folder diagnostics write their files to.
//
// Thread rule: any thread; reads the environment anew on every call.
#pragma once

#include <initializer_list>
#include <string>

namespace qz::platform {

// The value of the first variable in `variables` that is set and not empty; else the system's
// temporary folder (systemTempFolder() of folders.h). Returned as found, possibly ending in a
// separator.
std::string tempDirectoryFrom(std::initializer_list<const char*> variables);

}  // namespace qz::platform
