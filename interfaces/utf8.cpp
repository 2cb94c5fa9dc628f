#include "interfaces/utf8.h"

qzUtf8CharS qzDecodeUtf8(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return {lead, 1, true};
  // The range of the first continuation byte excludes overlong forms, surrogates and values
  // above U+10FFFF; later continuation bytes are 80..BF.
  size_t count;
  char32_t cp;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    count = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    count = 2;
    cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    count = 3;
    cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {kQzReplacementCharacter, 1, false};
  }
  for (size_t k = 1; k <= count; ++k) {
    if (k >= text.size()) return {kQzReplacementCharacter, k, false};
    const auto byte = static_cast<unsigned char>(text[k]);
    if (byte < low || byte > high) return {kQzReplacementCharacter, k, false};
    low = 0x80;
    high = 0xBF;
    cp = (cp << 6) | (byte & 0x3F);
  }
  return {cp, count + 1, true};
}
