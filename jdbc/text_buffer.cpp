#include "jdbc/text_buffer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qz::jdbc {

namespace {

bool isContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// A UTF-8 sequence is at most 4 bytes: 3 continuation bytes follow its lead byte.
constexpr std::size_t kMaxContinuation = 3;

}  // namespace

std::size_t utf8CutLength(std::string_view text, std::size_t size) {
  if (text.size() <= size) return text.size();
  std::size_t cut = size;
  for (std::size_t back = 0; back <= kMaxContinuation; ++back) {
    if (!isContinuation(static_cast<unsigned char>(text[cut]))) return cut;
    if (cut == 0) break;
    --cut;
  }
  // Not inside a valid sequence: no character boundary to respect.
  return size;
}

void fillBuffer(std::string_view text, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return;
  std::size_t n = std::min(text.size(), static_cast<std::size_t>(size));
  if (n > 0) std::memcpy(buffer, text.data(), n);  // an empty view may hold a null pointer
  std::memset(buffer + n, 0, static_cast<std::size_t>(size) - n);
}

void copyUtf8(std::string_view text, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return;
  fillBuffer(text.substr(0, utf8CutLength(text, static_cast<std::size_t>(size))), buffer, size);
}

std::string fitConverted(std::string_view source, std::string converted, std::size_t size,
                         const Converter& convert) {
  if (converted.size() <= size) return converted;
  // Up to the first byte above 0x7F nothing can be a trail byte of a multi-byte character,
  // in any character set that keeps ASCII as it is.
  std::size_t ascii = 0;
  while (ascii < converted.size() && static_cast<unsigned char>(converted[ascii]) < 0x80) ++ascii;
  if (ascii >= size) return converted.substr(0, size);

  // Otherwise search the longest run of whole source characters whose conversion fits.
  std::vector<std::size_t> ends;  // byte offsets just after each source character
  for (std::size_t i = 0; i < source.size();) {
    std::size_t next = i + 1;
    while (next < source.size() && next - i <= kMaxContinuation &&
           isContinuation(static_cast<unsigned char>(source[next]))) {
      ++next;
    }
    ends.push_back(next);
    i = next;
  }
  std::string best;
  // The answer lies in [low, high] characters: none always fits, all do not.
  std::size_t low = 0, high = ends.empty() ? 0 : ends.size() - 1;
  while (low < high) {
    std::size_t mid = low + (high - low + 1) / 2;
    std::string attempt;
    if (convert(std::string(source.substr(0, ends[mid - 1])), &attempt) && attempt.size() <= size) {
      best = std::move(attempt);
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  return best;
}

}  // namespace qz::jdbc
