// Copying text into the byte buffers that callers hand to the session layer, without ever
// leaving half a character at the end of a cut text.
//
// Thread rule: pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qz::jdbc {

// The length of the longest prefix of `text` that is at most `size` bytes and does not end
// inside a UTF-8 sequence. Bytes that are not valid UTF-8 are taken as single characters.
std::size_t utf8CutLength(std::string_view text, std::size_t size);

// Copies `text` into `buffer` (capacity `size` bytes) and zero-fills the rest. The text must
// already fit; it is terminated only when it is shorter than `size`. Nothing is written for a
// null buffer or a size of 0 or less.
void fillBuffer(std::string_view text, char* buffer, int32_t size);

// fillBuffer of the UTF-8 text cut by utf8CutLength.
void copyUtf8(std::string_view text, char* buffer, int32_t size);

// Turns a zero-terminated text into another character set; false when it cannot.
using Converter = std::function<bool(const std::string& text, std::string* converted)>;

// `converted` is `source` (UTF-8) turned into a character set of unknown structure. Answers the
// conversion of the longest run of whole source characters whose conversion fits `size` bytes,
// so that no character of the target set is split either.
std::string fitConverted(std::string_view source, std::string converted, std::size_t size,
                         const Converter& convert);

}  // namespace qz::jdbc
