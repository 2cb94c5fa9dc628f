// Splitting the quoted string literals out of an SQL text, so that each can be sent to the
// driver as a bound parameter instead of inline text.
//
// The scan knows one piece of syntax only: a single quote opens a literal, two single quotes in
// a row inside it stand for one quote, and a lone quote (or the end of the text) closes it.
// Double quotes, comments and backslashes mean nothing, so a quote inside a quoted identifier or
// a comment opens a literal too; callers rely on exactly this rule.
//
// Thread rule: a pure function; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qz::jdbc {

struct SplitSql {
  // The literals in text order, without their quotes; an empty literal is an empty string.
  std::vector<std::string> literals;
  // The text with each literal replaced by "? " (a marker and one blank).
  std::string statement;
};

SplitSql splitLiterals(std::string_view sql);

}  // namespace qz::jdbc
