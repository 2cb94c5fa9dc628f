#include "config/config_text.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace qz::config {
namespace {

bool isSpaceOrTab(char c) {
  return c == ' ' || c == '\t';
}
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view stripSpacesAndTabs(std::string_view text) {
  while (!text.empty() && isSpaceOrTab(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpaceOrTab(text.back())) text.remove_suffix(1);
  return text;
}

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string joinLines(const std::vector<std::string>& lines, bool finalBreak) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += '\n';
    out += lines[i];
  }
  if (finalBreak && !lines.empty()) out += '\n';
  return out;
}

// Markers are re-derived from the flags, so marker lines found in a comment lose their
// meaning: "#!x" becomes "# x". A bare marker would leave "# ", which the next read trims to
// "#"; trimming here keeps a second write equal to the first.
void neutralise(std::string& line) {
  if (line.size() >= 2 && line[0] == '#' && (line[1] == '!' || line[1] == '-' || line[1] == '~')) {
    line[1] = ' ';
    while (!line.empty() && isBlank(line.back())) line.pop_back();
  }
}

}  // namespace

std::vector<std::string> tokenize(std::string_view text, char separator, int quote,
                                  bool skipEmpty) {
  std::vector<std::string> out;
  std::string token;
  bool atStart = true;
  bool inQuote = false;
  bool wasQuoted = false;
  bool afterQuote = false;
  auto finish = [&](bool last) {
    std::string element = wasQuoted ? token : std::string(stripSpacesAndTabs(token));
    if (!last || !element.empty() || wasQuoted) out.push_back(std::move(element));
    token.clear();
    atStart = true;
    wasQuoted = false;
    afterQuote = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool isQuote = quote != kNoQuote && c == static_cast<char>(quote);
    if (isQuote && atStart) {
      inQuote = wasQuoted = true;
      atStart = false;
      continue;
    }
    if (isQuote && inQuote) {
      if (i + 1 < text.size() && text[i + 1] == c) {
        token += c;
        ++i;
      } else {
        inQuote = false;
        afterQuote = true;
      }
      continue;
    }
    if (c == separator && !inQuote) {
      if (!(skipEmpty && atStart)) finish(false);
      continue;
    }
    if (isSpaceOrTab(c) && !inQuote && (atStart || afterQuote)) continue;
    token += c;
    atStart = false;
    afterQuote = false;
  }
  finish(true);
  return out;
}

std::string joinList(const std::vector<std::string>& items, char separator, int quote) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string& item = items[i];
    if (i > 0) out += separator;
    bool hasQuote = quote != kNoQuote && item.find(static_cast<char>(quote)) != std::string::npos;
    bool needsQuotes = quote != kNoQuote &&
                       (item.empty() || hasQuote || item.find(separator) != std::string::npos ||
                        isSpaceOrTab(item.front()) || isSpaceOrTab(item.back()));
    if (!needsQuotes) {
      out += item;
      continue;
    }
    char q = static_cast<char>(quote);
    out += q;
    for (char c : item) {
      if (c == q) out += q;
      out += c;
    }
    out += q;
  }
  return out;
}

std::string trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string nameKey(std::string_view name, bool caseInsensitive) {
  std::string key = trimBlanks(name);
  if (caseInsensitive) std::transform(key.begin(), key.end(), key.begin(), lowerAscii);
  return key;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool hasMarkerLine(std::string_view comment, std::string_view marker) {
  std::size_t pos = 0;
  while (pos < comment.size()) {
    std::size_t end = comment.find('\n', pos);
    if (end == std::string_view::npos) end = comment.size();
    std::string_view line = comment.substr(pos, end - pos);
    while (!line.empty() && isSpaceOrTab(line.front())) line.remove_prefix(1);
    if (startsWith(line, marker)) return true;
    pos = end + 1;
  }
  return false;
}

std::string formatFixed(double x, int precision, int maxPrecision) {
  if (precision < 0) precision = 6;
  precision = std::min(precision, maxPrecision);
  int n = std::snprintf(nullptr, 0, "%.*f", precision, x);
  if (n <= 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), "%.*f", precision, x);
  out.resize(static_cast<std::size_t>(n));
  return out;
}

int parseInt(std::string_view text, bool* converted) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long n = 0;
  bool any = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    any = true;
    if (n <= static_cast<long long>(INT_MAX) + 1) n = n * 10 + (text[i] - '0');
  }
  if (converted) *converted = any;
  if (negative) n = -n;
  return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

double parseDouble(std::string_view text, bool* converted) {
  std::string copy(text);  // strtod needs a terminated text
  char* end = nullptr;
  double x = std::strtod(copy.c_str(), &end);
  if (converted) *converted = end != copy.c_str();
  return x;
}

std::string formatComment(std::string_view comment, CommentMarker marker) {
  std::vector<std::string> lines = tokenize(comment, '\n', kNoQuote, false);
  for (std::string& line : lines) {
    line = trimBlanks(line);
    neutralise(line);
  }
  switch (marker) {
    case CommentMarker::kInactive:
    case CommentMarker::kDisabled: {
      // The marker ends the text and the item line follows it on the same physical line. A
      // last line that is the bare marker already (a marker line of its own) is taken for it,
      // so the marker never comes out twice.
      std::string bare = marker == CommentMarker::kInactive ? kMarkerInactive : kMarkerDisabled;
      if (lines.empty() || lines.back() != bare) lines.push_back(bare);
      return joinLines(lines, false);
    }
    case CommentMarker::kForced:
    case CommentMarker::kBlockMarked: {
      std::string bare = marker == CommentMarker::kForced ? kMarkerForced : kMarkerBlock;
      if (lines.empty()) return bare + "\n";
      auto it = std::find_if(lines.begin(), lines.end(),
                             [](const std::string& line) { return !line.empty(); });
      if (it == lines.end()) it = lines.begin();
      if (startsWith(*it, bare)) {
        // already marked
      } else if (startsWith(*it, "#:")) {
        lines.insert(it, bare);
      } else {
        std::size_t cut = startsWith(*it, "# ") ? 2 : startsWith(*it, "#") ? 1 : 0;
        *it = bare + it->substr(cut);
      }
      return joinLines(lines, true);
    }
    case CommentMarker::kNone:
      break;
  }
  return joinLines(lines, true);
}

}  // namespace qz::config
