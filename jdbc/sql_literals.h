// Splitting the quoted string literals out of an SQL text, so that each can be sent to the
// driver as a bound parameter instead of inline text.
//
// The scan follows SQL's lexical structure, so a quote inside a comment or a quoted identifier
// never opens a literal: "--" line comments, "/* */" block comments (nested), "..." and `...`
// identifiers (a doubled quote inside stands for one), '...' strings ('' stands for one quote),
// E'...' strings (backslash escapes too), the prefixed strings U&'...', X'...', B'...' and
// N'...' (the letter a whole word glued to the quote), and dollar-quoted bodies $$...$$ and
// $tag$...$tag$ ($1 is no dollar quote: a tag never starts with a digit). Everything else is code.
//
// Bound: each plain '...' literal of a query or a data change, in text order. It becomes "? "
// (a marker and one blank; " ? " when it directly follows a word, so the two stay apart) and
// its value, quotes undoubled, goes to `literals`. An unterminated literal binds everything
// after its opening quote. Literals separated only by blanks or comments are one literal, as
// SQL concatenates them.
//
// Inline (text untouched, nothing bound), as a parameter cannot stand there:
//  - a literal that does not stand where a value may: one directly after a word other than the
//    keywords a value follows (SELECT, WHERE, AND, OR, NOT, LIKE, IN, IS, THEN, ELSE, WHEN,
//    VALUES, SET, BY, ON, FROM ...: kValueKeywords in sql_literals.cpp), after a quoted name, a
//    number or ")". So typed literals (DATE '...', TIME(3) '...', jsonb '{}', "MyType" 'x'),
//    UESCAPE '!', aliases (AS 'n') and the driver escapes {d '...'}, {escape '...'} stay;
//  - prefixed and dollar-quoted strings;
//  - every literal from the first statement whose first keyword names a statement without
//    parameters (the list is kNoParameterStatements in sql_literals.cpp) to the end of the text.
// A text holding a "?" of its own in code binds nothing at all: that "?" is an operator or a
// marker the caller meant, and ours could not be told apart from it. When nothing is bound the
// statement is the input byte for byte.
//
// Thread rule: a pure function; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qz::jdbc {

struct SplitSql {
  // Where a bound literal was: its marker in `statement`, its quoted text in the original.
  struct Marker {
    std::size_t rewritten;
    std::size_t rewrittenLength;
    std::size_t original;
    std::size_t originalLength;
  };

  // The bound literals in text order, without their quotes; an empty literal is an empty string.
  std::vector<std::string> literals;
  // The text with each bound literal replaced by its marker.
  std::string statement;
  // One per literal, in the same order.
  std::vector<Marker> markers;

  bool bound() const { return !literals.empty(); }
  // The offset in the original text of byte `rewritten` of `statement`: inside a marker the
  // opening quote of its literal; past the end, the end of the original.
  std::size_t originalOffset(std::size_t rewritten) const;
};

// The parameters (bit i: parameter i + 1, the first 64) a prepared statement's driver types
// INTEGER and BIGINT, for binding a split's literals.
struct IntegerParameters {
  uint64_t integers = 0;
  uint64_t bigints = 0;
};

SplitSql splitLiterals(std::string_view sql);

// splitLiterals(sql), into `out`, when sql reads as `original` (split into `previous`) with
// other values in its bound literals, each a single quoted literal in both texts: found without
// a scan, since the splitter's reading of what lies between literals cannot depend on what they
// hold. `out` (not `previous`) keeps its buffers. False when sql is not such a text: `out` then
// holds anything, and the caller splits sql itself.
bool splitAlike(std::string_view original, const SplitSql& previous, std::string_view sql,
                SplitSql* out);

// The text with the quoted value after each word PASSWORD (an "=" may come between) or
// IDENTIFIED BY shown as '***', for traces and messages that echo SQL: CREATE USER u PASSWORD
// 'x', ALTER ROLE r WITH PASSWORD 'x', SET PASSWORD = 'x', ... IDENTIFIED BY 'x'. Messages are
// no SQL, so this is a plain scan: a quote opens a value only right after such a keyword.
std::string hidePasswordLiterals(std::string_view text);

}  // namespace qz::jdbc
