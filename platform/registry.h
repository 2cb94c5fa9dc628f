// Read access to the registry: string values stored by key path under a root key.
//
// On POSIX the registry is our own: each root with a store is one small text file (place and
// format in platform/README.md). Each store is parsed once into an index, kept until the file
// changes, so an edited file takes effect at the next read; nothing here ever writes.
//
// Thread rule: any thread may read at any time. Values are handed out as copies.
#pragma once

#include <string>

namespace qz::platform {

enum class RegistryRoot { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };

// Reads the string value `valueName` of the key `subKey` under `root`; an empty `valueName`
// names the key's default value. Key paths and value names compare ignoring ASCII case; "\"
// and "/" both separate key path components. A value is returned whole, whatever its length.
// Returns false, leaving *value alone, when the root has no store, the store cannot be read or
// holds no such value.
// REQUIRES: value != nullptr.
bool readRegistryString(RegistryRoot root, const std::string& subKey, const std::string& valueName,
                        std::string* value);

// Where the store of `root` lives (on Windows the root's name); empty for a root that has none.
// For diagnostics and tests.
std::string registryStorePath(RegistryRoot root);

}  // namespace qz::platform
