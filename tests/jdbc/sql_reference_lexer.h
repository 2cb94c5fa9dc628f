// A second, deliberately plain reading of SQL's lexical structure, kept apart from the
// splitter's own scan so that the two can be checked against each other.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "jdbc/sql_literals.h"

namespace qz::jdbc::testing {

inline bool refWordByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
         c == '$' || c >= 0x80;
}

// True for each byte a PostgreSQL-like server reads as code, false inside strings, quoted
// identifiers, comments and dollar-quoted bodies (delimiters included).
inline std::vector<bool> codeBytes(std::string_view s) {
  const std::size_t n = s.size();
  std::vector<bool> code(n, true);
  auto hide = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to && k < n; ++k) code[k] = false;
  };
  // Past the closing quote of a quoted run starting at `open`, or n.
  auto closeQuoted = [&](std::size_t open, char q, bool backslash) {
    std::size_t k = open + 1;
    for (;;) {
      if (k >= n) return n;
      if (backslash && s[k] == '\\') {
        k += 2;
      } else if (s[k] == q) {
        if (k + 1 < n && s[k + 1] == q) {
          k += 2;
        } else {
          return k + 1;
        }
      } else {
        ++k;
      }
    }
  };
  bool stringJustEnded = false;  // only blanks and comments since the last string
  bool lastStringBackslash = false;
  std::size_t i = 0;
  while (i < n) {
    const char c = s[i];
    const char d = i + 1 < n ? s[i + 1] : '\0';
    if (c == '-' && d == '-') {
      std::size_t e = s.find_first_of("\r\n", i);
      if (e == std::string_view::npos) e = n;
      hide(i, e);
      i = e;
      continue;
    }
    if (c == '/' && d == '*') {
      std::size_t k = i + 2;
      int depth = 1;
      while (k < n && depth > 0) {
        if (s.substr(k, 2) == "/*") {
          ++depth;
          k += 2;
        } else if (s.substr(k, 2) == "*/") {
          --depth;
          k += 2;
        } else {
          ++k;
        }
      }
      hide(i, k);
      i = k;
      continue;
    }
    if (c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++i;
      continue;
    }
    if (c == '\'') {
      bool backslash = stringJustEnded && lastStringBackslash;
      std::size_t e = closeQuoted(i, '\'', backslash);
      hide(i, e);
      i = e;
      stringJustEnded = true;
      lastStringBackslash = backslash;
      continue;
    }
    stringJustEnded = false;
    if (c == '"' || c == '`') {
      std::size_t e = closeQuoted(i, c, false);
      hide(i, e);
      i = e;
      continue;
    }
    if (!refWordByte(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    // A word, a number, a prefixed string or a dollar quote starts here.
    if (c == '$') {
      std::size_t k = i + 1;
      bool tagOk = k < n && !(s[k] >= '0' && s[k] <= '9');
      while (tagOk && k < n && s[k] != '$' && refWordByte(static_cast<unsigned char>(s[k]))) ++k;
      if (tagOk && k < n && s[k] == '$') {
        std::string_view tag = s.substr(i, k + 1 - i);
        std::size_t close = s.find(tag, k + 1);
        std::size_t e = close == std::string_view::npos ? n : close + tag.size();
        hide(i, e);
        i = e;
        continue;
      }
    }
    std::size_t e = i;
    while (e < n && refWordByte(static_cast<unsigned char>(s[e]))) ++e;
    std::string_view w = s.substr(i, e - i);
    std::size_t quote = std::string_view::npos;
    if (w.size() == 1 && e < n && s[e] == '\'' && std::string_view("EeXxBbNn").find(c) != w.npos) {
      quote = e;
    } else if ((w == "U" || w == "u") && s.substr(e, 2) == "&'") {
      quote = e + 1;
    }
    if (quote == std::string_view::npos) {
      i = e;
      continue;
    }
    bool backslash = c == 'E' || c == 'e';
    std::size_t end = closeQuoted(quote, '\'', backslash);
    hide(i, end);
    i = end;
    stringJustEnded = true;
    lastStringBackslash = backslash;
  }
  return code;
}

inline std::size_t countInCode(std::string_view s, std::string_view needle) {
  std::vector<bool> code = codeBytes(s);
  std::size_t count = 0;
  for (std::size_t at = s.find(needle); at != std::string_view::npos; at = s.find(needle, at + 1)) {
    if (code[at]) ++count;
  }
  return count;
}

// The empty string when `split` is a faithful rewrite of `sql`, else what is wrong.
inline std::string splitFault(std::string_view sql, const SplitSql& split) {
  if (split.literals.size() != split.markers.size()) return "markers and literals differ in number";
  if (!split.bound()) {
    return split.statement == sql ? "" : "nothing bound, yet the statement differs from the input";
  }
  if (countInCode(sql, "?") != 0) return "bound although the input has a ? of its own";
  if (countInCode(split.statement, "?") != split.literals.size()) {
    return "markers in code differ from the number of literals";
  }
  std::string rebuilt;
  std::size_t copied = 0;
  for (const SplitSql::Marker& m : split.markers) {
    std::string_view marker =
        std::string_view(split.statement).substr(m.rewritten, m.rewrittenLength);
    if (m.rewritten < copied || (marker != "? " && marker != " ? ")) return "a marker is misplaced";
    rebuilt.append(split.statement, copied, m.rewritten - copied);
    rebuilt.append(sql.substr(m.original, m.originalLength));
    if (split.originalOffset(m.rewritten) != m.original) return "a marker maps elsewhere";
    copied = m.rewritten + m.rewrittenLength;
  }
  rebuilt.append(split.statement, copied);
  if (rebuilt != sql) return "putting the literals back does not give the input";
  return "";
}

// splitAlike against splitLiterals: sql itself and sql with other values (`values`, cycled,
// quotes doubled) in place of its bound literals must be split alike exactly as splitLiterals
// splits them, and always when each bound literal is a single one.
inline std::string alikeFault(std::string_view sql, const SplitSql& split,
                              const std::vector<std::string>& values) {
  const auto same = [](const SplitSql& a, const SplitSql& b) {
    if (a.statement != b.statement || a.literals != b.literals) return false;
    if (a.markers.size() != b.markers.size()) return false;
    for (std::size_t i = 0; i < a.markers.size(); ++i) {
      const SplitSql::Marker& x = a.markers[i];
      const SplitSql::Marker& y = b.markers[i];
      if (x.rewritten != y.rewritten || x.rewrittenLength != y.rewrittenLength ||
          x.original != y.original || x.originalLength != y.originalLength) {
        return false;
      }
    }
    return true;
  };
  if (!split.bound()) {
    SplitSql out;
    return splitAlike(sql, split, sql, &out) ? "a text with nothing bound was split alike" : "";
  }
  std::string other;
  bool single = true;
  std::size_t copied = 0;
  for (std::size_t i = 0; i < split.markers.size(); ++i) {
    const SplitSql::Marker& m = split.markers[i];
    const std::string_view quoted = sql.substr(m.original, m.originalLength);
    std::string doubled;  // the literal's value written back as the splitter read it
    for (char c : split.literals[i]) doubled.append(c == '\'' ? 2 : 1, c);
    single = single && quoted == "'" + doubled + "'";
    other.append(sql.substr(copied, m.original - copied)).append("'");
    for (char c : values.empty() ? std::string() : values[i % values.size()]) {
      other.append(c == '\'' ? 2 : 1, c);
    }
    other.append("'");
    copied = m.original + m.originalLength;
  }
  other.append(sql.substr(copied));
  // Texts that differ beyond the values too: these may be split alike only as splitLiterals
  // splits them.
  const std::string longer = other + "'";
  std::string changed = other;
  if (!changed.empty())
    changed[changed.size() / 2] = changed[changed.size() / 2] == '?' ? ';' : '?';
  // One `out` for all, as a caller that splits every run into the same object passes it: what
  // one split left there must not show in the next.
  SplitSql out;
  out.literals = {"stale", "left", "over"};
  out.markers.push_back({1, 2, 3, 4});
  for (const std::string_view text :
       {sql, std::string_view(other), std::string_view(longer), std::string_view(changed)}) {
    if (splitAlike(sql, split, text, &out)) {
      if (!same(out, splitLiterals(text))) return "split alike otherwise than splitLiterals";
    } else if (single && (text.data() == sql.data() || text.data() == other.data())) {
      return "single literals with other values were not split alike";
    }
  }
  return "";
}

}  // namespace qz::jdbc::testing
