// Reading UTF-8, one character at a time: the one decoder of the system (Java strings are built
// from it, terminal widths are measured with it).
//
// Thread rule: a pure function.
#pragma once

#include <cstddef>
#include <string_view>

constexpr char32_t kQzReplacementCharacter = 0xFFFD;

// One character read from the front of a text.
struct qzUtf8CharS {
  char32_t codePoint;  // kQzReplacementCharacter when not valid
  size_t length;       // the bytes it takes, at least 1
  bool valid;
};

// The character at the front of a non-empty text. An ill-formed sequence (a stray or missing
// continuation byte, an overlong form, an encoded surrogate, a value above U+10FFFF) is not
// valid, and its length is that of its maximal invalid subpart: one U+FFFD for each is
// Unicode's recommended replacement.
qzUtf8CharS qzDecodeUtf8(std::string_view text);
