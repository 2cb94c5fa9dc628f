// Merges and copies random configurations into each other (the reader's own round trip is the
// config_reader fuzz target's). Inputs lean towards the characters and markers the syntax
// gives meaning to, so that most lines take the rarer paths.
//
// Rerun a failure with QZ_CONFIG_FUZZ_SEED=<printed seed>.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "config/config.h"
#include "tests/config/config_test_util.h"

namespace qz::config {
namespace {

constexpr int kMaxPieces = 60;

const char* const kPieces[] = {
    "\n",        "\r\n", "\r",  " ",     "\t",  "=",  "[",           "]",  ";",
    "*",         "!",    "#",   "#-",    "#!",  "#~", "#:INACTIVE;", "#:", "<default>",
    "<DEFAULT>", "key",  "Key", "value", "a=b", "\"", ",",           "\0",
};

std::uint32_t seedFromEnvironment() {
  if (const char* text = std::getenv("QZ_CONFIG_FUZZ_SEED")) {
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
  }
  return std::random_device{}();
}

std::string randomInput(std::mt19937& rng) {
  std::string out;
  int pieces = static_cast<int>(rng() % kMaxPieces);
  for (int i = 0; i < pieces; ++i) {
    if (rng() % 4 == 0) {
      out += static_cast<char>(rng() % 256);
    } else {
      std::size_t n = rng() % std::size(kPieces);
      // "\0" is the one piece whose length strlen would miss.
      out += n + 1 == std::size(kPieces) ? std::string(1, '\0') : std::string(kPieces[n]);
    }
  }
  return out;
}

// Merging and copying random configurations into each other must keep the model sound: the
// result writes, and its write is stable.
TEST(ConfigFuzzTest, MergeAndAssignRandomConfigurations) {
  std::uint32_t seed = seedFromEnvironment();
  std::cout << "QZ_CONFIG_FUZZ_SEED=" << seed << std::endl;
  std::mt19937 rng(seed);
  for (int i = 0; i < 300; ++i) {
    std::istringstream a(randomInput(rng)), b(randomInput(rng));
    CSConfig left(&a, nullptr), right(&b, nullptr);
    left.mergeFrom(right);
    CSConfig copy;
    copy = left;
    const std::string merged = written(left);
    ASSERT_EQ(written(copy), merged);
    const std::string again = written(*parse(merged));
    ASSERT_EQ(written(*parse(again)), again);
  }
}

}  // namespace
}  // namespace qz::config
