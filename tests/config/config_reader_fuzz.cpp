// libFuzzer entry: any bytes read as a configuration without a crash, and what is written back
// reads as the same configuration (writing that again gives the same text).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "config/config.h"
#include "tests/support/visible_text.h"

namespace {

std::string roundTrip(const std::string& text) {
  qz::config::CSConfig config;
  std::istringstream in(text);
  config.readStream(in, false);
  std::ostringstream out;
  config.writeStream(out);
  return out.str();
}

using qztest::visible;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string once = roundTrip(std::string(reinterpret_cast<const char*>(data), size));
  const std::string twice = roundTrip(once);
  if (once != twice) {
    std::fprintf(stderr, "written text reads differently:\n--- once\n%s\n--- twice\n%s\n",
                 visible(once).c_str(), visible(twice).c_str());
    std::abort();
  }
  return 0;
}
