// Conversion between standard UTF-8 and UTF-16, the form Java strings hold.
//
// JNI's own UTF functions use modified UTF-8 (U+0000 as C0 80, characters beyond U+FFFF as two
// three-byte surrogates), which other programs do not read; these functions never produce it.
// Thread rule: pure functions.
#pragma once

#include <string>
#include <string_view>

namespace jbridge::utf {

// Each ill-formed sequence (a stray or missing continuation byte, an overlong form, an encoded
// surrogate, a value above U+10FFFF) becomes one U+FFFD per maximal invalid subpart.
std::u16string utf8ToUtf16(std::string_view utf8);

// An unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::u16string_view utf16);

}  // namespace jbridge::utf
