// Text helpers of the configuration model: the list tokenizer, blank trimming, the name
// key rule, number formatting without fixed buffers, and the rules that turn a
// comment and its markers into the lines the writer puts out.
//
// Thread rule: pure functions; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qz::config {

inline constexpr int kNoQuote = -1;

// Splits text at `separator`. A token that starts with `quote` runs to the matching quote,
// may hold separators, and a doubled quote in it stands for one; blanks after the closing
// quote are skipped and the token is kept as it is. Unquoted tokens lose spaces and tabs at
// both ends. A separator with nothing but blanks before it is skipped when skipEmpty is set.
// A last token is kept only when it is not empty or was quoted, so a trailing separator adds
// nothing and an empty text gives an empty list.
std::vector<std::string> tokenize(std::string_view text, char separator, int quote = '"',
                                  bool skipEmpty = false);
// The inverse of tokenize with the same characters: elements that would not survive a split
// (empty, holding the separator or the quote, or with blanks at an end) are quoted.
std::string joinList(const std::vector<std::string>& items, char separator, int quote = '"');

// Removes spaces, tabs and carriage returns at both ends. Carriage returns count as blanks so
// that a CR LF file and its LF rewrite read alike.
std::string trimBlanks(std::string_view text);
// The form under which names compare and hash: trimmed, and ASCII lower case when the rule
// ignores case.
std::string nameKey(std::string_view name, bool caseInsensitive);
bool startsWith(std::string_view text, std::string_view prefix);
// True when a line of `comment` begins with marker once its leading blanks are skipped.
bool hasMarkerLine(std::string_view comment, std::string_view marker);

// "%.*f" with precision clamped to [0, maxPrecision]; a negative precision means 6 ("%f").
std::string formatFixed(double x, int precision, int maxPrecision);
// C-style conversions; integers saturate at the int range instead of overflowing.
int parseInt(std::string_view text, bool* converted = nullptr);
double parseDouble(std::string_view text, bool* converted = nullptr);

// Markers the writer derives from an item's or a block's flags.
enum class CommentMarker { kNone, kInactive, kDisabled, kForced, kBlockMarked };
inline constexpr char kMarkerInactive[] = "#:INACTIVE;";
inline constexpr char kMarkerDisabled[] = "#-";
inline constexpr char kMarkerForced[] = "#!";
inline constexpr char kMarkerBlock[] = "#~";

// The text written for a comment: its lines trimmed, marker lines in it neutralised (second
// character a space) and the marker put back where the flags ask for it. For kInactive and
// kDisabled the text ends in the marker, with no line break, so the item line follows it
// directly; otherwise every line ends in a line break. An empty comment without a marker
// gives "".
std::string formatComment(std::string_view comment, CommentMarker marker);

}  // namespace qz::config
