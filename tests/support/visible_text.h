// Text for a fuzz target's failure message: bytes other than printable ASCII and line breaks
// as \xNN, so a NUL or a stray control byte shows.
#pragma once

#include <cstdio>
#include <string>

namespace qztest {

inline std::string visible(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 0x20 && c < 0x7f) || c == '\n') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace qztest
