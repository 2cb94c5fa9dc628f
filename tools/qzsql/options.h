// The command line of qzsql, and its exit codes.
//
// Thread rule: plain values. Ownership: none.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/qzsql/format.h"

namespace qzsql {

// Exit codes (README.md, "qzsql").
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;          // bad arguments, unreadable files, output that cannot be
                                       // written, no engine
constexpr int kExitConnect = 2;        // the connection could not be made
constexpr int kExitSql = 3;            // a statement or meta-command failed in a script
constexpr int kExitInterrupted = 130;  // Ctrl-C stopped a script

// The user when none is named: the administrator an embedded HSQLDB database is made with
// (an empty user name is refused once the database exists).
inline constexpr char kDefaultUser[] = "SA";

struct Source {
  enum class Kind { kCommand, kFile };
  Kind kind;
  std::string text;  // the SQL of -c, or the path of -f ("-" for standard input)
};

struct Options {
  std::string dataSource;
  std::string user;             // -U, else $QZSQL_USER, else empty
  std::vector<Source> sources;  // -c and -f in command-line order
  Format format = Format::kAligned;
  std::string output;  // -o; empty for standard output
  bool continueOnError = false;
  bool promptPassword = false;  // -W
  bool verbose = false;         // -v: errors say where in the engine they came from
  std::string engine;           // --engine; empty for the host's default
  bool help = false;
  bool version = false;
  bool list = false;  // --list: the data sources of jdbc.cfg
};

// nullopt, with *error saying why, when the command line cannot be used.
std::optional<Options> parseOptions(int argc, char** argv, std::string* error);
std::optional<Format> parseFormat(const std::string& name);
const char* formatName(Format format);

extern const char* const kUsage;
extern const char* const kVersion;

}  // namespace qzsql
