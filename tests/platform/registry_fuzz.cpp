// libFuzzer entry: any bytes as a registry store parse without a crash, and a value a store
// sets on its last line reads back exactly as written there.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/registry.h"

namespace {

std::string storePath() {
  static const std::string path = [] {
    std::string p = "/tmp/qz-registry-fuzz-" + std::to_string(getpid());
    setenv("QZ_REGISTRY_USER", p.c_str(), 1);
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using qz::platform::RegistryRoot;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::ofstream(storePath(), std::ios::binary | std::ios::trunc)
      << bytes << "\nSOFTWARE\\QZ\\Fuzz\\@Last = end of store\n";
  std::string value;
  for (const char* key : {"SOFTWARE\\KESTRAN\\PATH\\A", "a", "", "\\", "@"})
    qz::platform::readRegistryString(RegistryRoot::kCurrentUser, key, "", &value);
  value.clear();
  if (!qz::platform::readRegistryString(RegistryRoot::kCurrentUser, "software/qz/FUZZ", "last",
                                        &value) ||
      value != "end of store") {
    std::fprintf(stderr, "the last line's value reads as \"%s\"\n", value.c_str());
    std::abort();
  }
  return 0;
}
