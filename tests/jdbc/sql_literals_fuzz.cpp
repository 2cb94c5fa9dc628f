// libFuzzer entry: any bytes split without a crash into a rewrite that puts the same text back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "jdbc/sql_literals.h"
#include "tests/jdbc/sql_reference_lexer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view sql(reinterpret_cast<const char*>(data), size);
  qz::jdbc::SplitSql split = qz::jdbc::splitLiterals(sql);
  std::string fault = qz::jdbc::testing::splitFault(sql, split);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  // Other values for the literals: pieces of the input itself, quotes and all.
  const std::vector<std::string> values = {std::string(sql.substr(0, size / 3)), "",
                                           std::string(sql.substr(size / 3))};
  fault = qz::jdbc::testing::alikeFault(sql, split, values);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  // Hiding puts three bytes in place of a quoted value: the text grows by at most that a quote.
  const std::string hidden = qz::jdbc::hidePasswordLiterals(sql);
  if (hidden.size() > sql.size() +
                          3 * static_cast<std::size_t>(std::count(sql.begin(), sql.end(), '\'')) +
                          3 * static_cast<std::size_t>(std::count(sql.begin(), sql.end(), '"'))) {
    std::fprintf(stderr, "hiding grew the text\n");
    std::abort();
  }
  return 0;
}
