// libFuzzer entry: any bytes split without a crash into a rewrite that puts the same text back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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
  return 0;
}
