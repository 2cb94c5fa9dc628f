// Cutting input into statements and meta-commands, and preparing a statement's text for the
// engine.
//
// Input arrives line by line (from a terminal, a file or -c). A statement ends at a ";" that
// stands outside quotes ('text', "identifier", $tag$body$tag$) and comments (-- to the end of
// the line, /* */ nested); it may span lines. A line that starts with a backslash outside
// quotes and comments is a meta-command, even in the middle of a statement, and ends at the
// line end.
//
// The engine decides by the text alone how to run a statement: as a query when "SELECT"
// starts within its first six characters, otherwise as an update; and when binding is on it
// takes every single quote, comments included, for the start of a literal bound as a
// parameter (the session strips comments then). prepareSql makes the text say what the
// statement is: the query marker is put in front of statements that return rows without
// starting with SELECT (or kept away from those that do not).
//
// Thread rule: plain values; one thread per splitter. Ownership: none.
#pragma once

#include <deque>
#include <optional>
#include <string>

namespace qzsql {

struct Piece {
  enum class Kind { kSql, kMeta };
  Kind kind;
  std::string text;  // the statement without its ";", or the meta-command line
  int line;          // input line the piece starts on, from 1
};

class StatementSplitter {
 public:
  // One line of input, without its line end.
  void addLine(const std::string& line);
  // The next complete piece, if any.
  std::optional<Piece> next();
  // At the end of the input: what is left, as a statement, when it holds more than blanks
  // and comments.
  std::optional<Piece> finish();
  // Drops a pending, incomplete statement (Ctrl-C at the prompt).
  void discard();

  // Whether a statement (or a comment) has begun and not ended.
  bool pending() const;
  // What the input is inside, for the prompt: '=' nothing pending, '-' a statement goes on,
  // '\'' a text literal, '"' a quoted identifier, '*' a comment, '$' a dollar-quoted body.
  char state() const;

 private:
  enum class Mode { kNormal, kSingle, kDouble, kLineComment, kBlockComment, kDollar };

  void emit(Piece::Kind kind, std::string text, int line);

  std::deque<Piece> ready_;
  std::string buffer_;
  bool hasContent_ = false;  // buffer_ holds more than blanks
  Mode mode_ = Mode::kNormal;
  int commentDepth_ = 0;
  std::string dollarTag_;  // "$tag$" while in kDollar
  int lineNo_ = 0;
  int startLine_ = 0;
};

// The statement without comments and surrounding blanks; quoted parts are kept as they are.
// Empty when nothing but blanks and comments was there.
std::string stripComments(const std::string& sql);

// Whether the statement returns rows: its first word is SELECT, WITH, VALUES, TABLE, SHOW or
// EXPLAIN (opening parentheses skipped), or it is INSERT, UPDATE or DELETE with RETURNING.
bool returnsRows(const std::string& strippedSql);

// The text to hand to the engine for a statement, given whether it returns rows.
std::string prepareSql(const std::string& strippedSql, bool query);

// The first word of the statement in upper case (for "INSERT 3"-style lines).
std::string firstWord(const std::string& strippedSql);

}  // namespace qzsql
