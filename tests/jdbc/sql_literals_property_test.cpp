// Whatever SQL precedes a correctly escaped literal, the literal's data never becomes code.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "jdbc/sql_literals.h"
#include "tests/jdbc/sql_reference_lexer.h"

namespace qz::jdbc {
namespace {

constexpr std::string_view kSentinel = "sentinel_x";

// Closed constructs and loose delimiters alike: loose ones may leave the payload in a comment,
// an identifier or even in code, and the property holds relative to the original reading.
// clang-format off
const std::vector<std::string_view> kFragments = {
    "\"it's\"", "\"a\"\"'b\"", "`x'`", "'x''y'", "'\\'", "''", "-- it's\n", "/* it's */",
    "/* /* ' */ ' */", "$$ ' $$", "$a$ ' $$ $a$", "E'\\''", "e'\\\\'", "U&'x'", "X'0f'",
    "'", "\"", "`", "--", "/*", "*/", "$$", "$a$", "$1", "E", "e", "\\", "U&", "N", "$",
    "\n", " ", "?", ";", "(", ")", "::", "{d ", "}", ",", "=", "name", "1",
    " DATE ", " TIME ", " WITH ", " ZONE ", " UESCAPE ", " CREATE ", " SELECT ",
};
// clang-format on

const std::vector<std::string_view> kPayloadNoise = {"\\", "\"", "$$", "*/", "/*", "?", "\n", "--"};

std::string escapeLiteral(std::string_view value) {
  std::string out;
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::uint64_t seedFromEnvironment() {
  const char* text = std::getenv("QZ_SPLIT_SEED");
  return text ? std::strtoull(text, nullptr, 10) : 20261207u;
}

TEST(SplitLiteralsProperty, DataInALiteralNeverBecomesCode) {
  const std::uint64_t seed = seedFromEnvironment();
  std::mt19937_64 rng(seed);
  auto pick = [&](const std::vector<std::string_view>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
  };
  auto upTo = [&](int n) { return std::uniform_int_distribution<int>(0, n)(rng); };

  constexpr int kIterations = 20000;
  int payloadInLiteral = 0;
  for (int iteration = 0; iteration < kIterations; ++iteration) {
    std::string sql;
    for (int k = upTo(8); k > 0; --k) sql += pick(kFragments);
    std::string payload = "'; DROP TABLE " + std::string(kSentinel) + "; --";
    for (int k = upTo(3); k > 0; --k) {
      payload.insert(std::uniform_int_distribution<std::size_t>(0, payload.size())(rng),
                     pick(kPayloadNoise));
    }
    sql += " = '" + escapeLiteral(payload) + "'";
    for (int k = upTo(2); k > 0; --k) sql += pick(kFragments);

    SplitSql split = splitLiterals(sql);
    std::size_t before = testing::countInCode(sql, kSentinel);
    std::size_t after = testing::countInCode(split.statement, kSentinel);
    std::string fault = testing::splitFault(sql, split);
    if (fault.empty())
      fault = testing::alikeFault(sql, split, {payload, std::string(pick(kFragments))});
    if (before == 0) ++payloadInLiteral;
    if (after != before || !fault.empty()) {
      ADD_FAILURE() << "seed " << seed << " (QZ_SPLIT_SEED), iteration " << iteration << ": "
                    << (fault.empty() ? "the payload moved into code" : fault)
                    << "\n  input: " << sql << "\n  statement: " << split.statement;
      return;
    }
  }
  // Most texts must really hold the payload in a literal, or the check proves little.
  EXPECT_GT(payloadInLiteral, kIterations / 2) << "seed " << seed;
}

}  // namespace
}  // namespace qz::jdbc
