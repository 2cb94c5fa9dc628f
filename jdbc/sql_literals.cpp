#include "jdbc/sql_literals.h"

namespace qz::jdbc {

namespace {
constexpr char kQuote = '\'';
constexpr char kMarker[] = "? ";
}  // namespace

SplitSql splitLiterals(std::string_view sql) {
  SplitSql out;
  out.statement.reserve(sql.size());
  std::size_t i = 0;
  while (i < sql.size()) {
    if (sql[i] != kQuote) {
      out.statement += sql[i++];
      continue;
    }
    out.statement += kMarker;
    std::string literal;
    ++i;
    while (i < sql.size()) {
      if (sql[i] != kQuote) {
        literal += sql[i++];
      } else if (i + 1 < sql.size() && sql[i + 1] == kQuote) {
        literal += kQuote;
        i += 2;
      } else {
        ++i;  // the closing quote
        break;
      }
    }
    out.literals.push_back(std::move(literal));
  }
  return out;
}

}  // namespace qz::jdbc
