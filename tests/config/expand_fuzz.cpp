// libFuzzer entry: any text expands without a crash against variables that refer to each other,
// to themselves and to long values; the result stays within the bound, or the expansion says
// it is too long.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/expand.h"

namespace {

bool setUp() {
  setenv("QZ_REGISTRY_USER", "/nonexistent/qz-fuzz-user", 1);
  setenv("QZ_REGISTRY_MACHINE", "/nonexistent/qz-fuzz-machine", 1);
  setenv("QZF_A", "$QZF_B/$(QZF_B)", 1);
  setenv("QZF_B", "$QZF_C$QZF_C$QZF_C", 1);
  setenv("QZF_C", std::string(4096, 'c').c_str(), 1);
  setenv("QZF_SELF", "x$QZF_SELF", 1);
  setenv("qzf_lower", "%SystemTemp%-$OSNAME", 1);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = setUp();
  (void)ready;
  const std::string text(reinterpret_cast<const char*>(data), size);
  int status = 0;
  const std::string out = qz::config::expandVariables(text, &status, true);
  const bool ok = (status == 1 && out.size() <= qz::config::kMaxExpandedBytes) ||
                  (status == qz::config::kExpansionTooLong && out.empty());
  if (!ok) {
    std::fprintf(stderr, "status %d, %zu bytes\n", status, out.size());
    std::abort();
  }
  return 0;
}
