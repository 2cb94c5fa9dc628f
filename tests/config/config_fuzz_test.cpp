// Feeds random bytes to the reader and writer. Inputs lean towards the characters and
// markers the syntax gives meaning to, so that most lines take the rarer paths.
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

namespace qz::config {
namespace {

constexpr int kInputs = 3000;
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

std::string writeOf(const std::string& input, bool multiLine, bool caseInsensitive) {
  std::istringstream in(input);
  CSConfig config(nullptr, nullptr, caseInsensitive);
  config.setMultiLine(multiLine);
  EXPECT_EQ(config.readStream(in, false), kConfigDone);
  std::ostringstream out;
  EXPECT_EQ(config.writeStream(out), kConfigDone);
  return out.str();
}

std::string printable(const std::string& text) {
  std::ostringstream out;
  for (unsigned char c : text) {
    if (c == '\n') {
      out << "\\n";
    } else if (c < 32 || c >= 127 || c == '\\') {
      out << "\\x" << std::hex << static_cast<int>(c) << std::dec;
    } else {
      out << c;
    }
  }
  return out.str();
}

// Whatever the reader makes of the input, the writer's text must read back into a model that
// writes the same text again.
TEST(ConfigFuzzTest, WriteOfAWriteIsStable) {
  std::uint32_t seed = seedFromEnvironment();
  std::cout << "QZ_CONFIG_FUZZ_SEED=" << seed << std::endl;
  std::mt19937 rng(seed);
  for (int i = 0; i < kInputs; ++i) {
    std::string input = randomInput(rng);
    bool multiLine = rng() % 2 == 0;
    bool caseInsensitive = rng() % 4 != 0;
    std::string first = writeOf(input, multiLine, caseInsensitive);
    std::string second = writeOf(first, multiLine, caseInsensitive);
    ASSERT_EQ(second, first) << "input " << i << ": " << printable(input) << "\nmultiLine "
                             << multiLine << ", caseInsensitive " << caseInsensitive
                             << "\nfirst:  " << printable(first)
                             << "\nsecond: " << printable(second);
  }
}

// Merging and copying random configurations into each other must keep the model sound: the
// result writes, and its write is stable.
TEST(ConfigFuzzTest, MergeAndAssignRandomConfigurations) {
  std::uint32_t seed = seedFromEnvironment();
  std::cout << "QZ_CONFIG_FUZZ_SEED=" << seed << std::endl;
  std::mt19937 rng(seed);
  for (int i = 0; i < kInputs / 10; ++i) {
    std::istringstream a(randomInput(rng)), b(randomInput(rng));
    CSConfig left(&a, nullptr), right(&b, nullptr);
    left.mergeFrom(right);
    CSConfig copy;
    copy = left;
    std::ostringstream out1, out2;
    ASSERT_EQ(left.writeStream(out1), kConfigDone);
    ASSERT_EQ(copy.writeStream(out2), kConfigDone);
    ASSERT_EQ(out1.str(), out2.str());
    std::string again = writeOf(out1.str(), false, true);
    ASSERT_EQ(writeOf(again, false, true), again);
  }
}

}  // namespace
}  // namespace qz::config
