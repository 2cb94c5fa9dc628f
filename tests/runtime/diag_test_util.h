// Helpers of the diagnostics tests: the shared scratch helpers, lines and trace fields.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/scratch.h"

namespace diagtest {

using qztest::EnvVar;
using qztest::readFile;
using qztest::ScratchDir;

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

inline std::vector<std::string> split(const std::string& text, char at) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == at)
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

// Not empty and only characters of `allowed`.
inline bool onlyOf(const std::string& text, const char* allowed) {
  return !text.empty() && text.find_first_not_of(allowed) == std::string::npos;
}
inline constexpr char kDigits[] = "0123456789";
inline constexpr char kHexDigits[] = "0123456789abcdef";

// A trace line: counter;h:m:s:ms;thread;file;line;what. Returns the six fields, or none when
// the counter or the time are malformed.
inline std::vector<std::string> traceFields(const std::string& line) {
  std::vector<std::string> f = split(line, ';');
  if (f.size() != 6 || !onlyOf(f[0], kDigits) || split(f[1], ':').size() != 4) return {};
  for (const std::string& part : split(f[1], ':')) {
    if (!onlyOf(part, kDigits)) return {};
  }
  return f;
}

}  // namespace diagtest
