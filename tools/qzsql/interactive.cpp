#include "tools/qzsql/interactive.h"

// readline's headers need stdio first.
#include <cstdio>
// clang-format off
#include <readline/readline.h>
#include <readline/history.h>
// clang-format on
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "interfaces/qzcom.h"
#include "tools/qzsql/interrupt.h"
#include "tools/qzsql/statements.h"

namespace qzsql {
namespace {

constexpr int kHistoryLines = 2000;
// A statement's line breaks inside one line of the history file: one entry, one line.
constexpr char kLineBreakInFile = '\x01';

std::string encodeEntry(std::string entry) {
  std::replace(entry.begin(), entry.end(), '\n', kLineBreakInFile);
  return entry;
}

std::string decodeEntry(std::string line) {
  std::replace(line.begin(), line.end(), kLineBreakInFile, '\n');
  return line;
}

void loadHistory(const std::string& path) {
  std::ifstream in(path);
  if (!in) {
    std::ofstream create(path, std::ios::app);  // the file exists from the first session on
    return;
  }
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) add_history(decodeEntry(line).c_str());
  }
}

void appendHistory(const std::string& path, const std::string& entry) {
  std::ofstream out(path, std::ios::app);
  out << encodeEntry(entry) << "\n";
}

// Completion: meta-commands after a backslash, else SQL keywords and the session's tables.
Runner* completing = nullptr;
std::vector<std::string> candidates;

const char* const kKeywords[] = {
    "ALTER",    "AND",    "AS",     "ASC",    "BEGIN",  "BETWEEN",  "BY",    "CASE",
    "COMMIT",   "COUNT",  "CREATE", "DELETE", "DESC",   "DISTINCT", "DROP",  "ELSE",
    "END",      "EXISTS", "FROM",   "GROUP",  "HAVING", "IN",       "INDEX", "INNER",
    "INSERT",   "INTO",   "IS",     "JOIN",   "LEFT",   "LIKE",     "LIMIT", "NOT",
    "NULL",     "ON",     "OR",     "ORDER",  "OUTER",  "PRIMARY",  "KEY",   "REFERENCES",
    "ROLLBACK", "SELECT", "SET",    "TABLE",  "THEN",   "TRUNCATE", "UNION", "UPDATE",
    "VALUES",   "VIEW",   "WHEN",   "WHERE",  "WITH"};
char* nextCandidate(const char* text, int state) {
  static size_t index;
  if (state == 0) index = 0;
  while (index < candidates.size()) {
    const std::string& word = candidates[index++];
    if (qzStartsWithIgnoringAsciiCase(word, text)) return strdup(word.c_str());
  }
  return nullptr;
}

char** complete(const char* text, int start, int) {
  rl_attempted_completion_over = 1;  // never file names
  candidates.clear();
  const bool meta = start == 0 && text[0] == '\\';
  if (meta) {
    candidates = metaCommandNames();
  } else {
    // A keyword in the case the user is typing in.
    const bool lowerCase = text[0] != '\0' && std::islower(static_cast<unsigned char>(text[0]));
    for (const char* k : kKeywords) {
      std::string word = k;
      if (lowerCase) {
        for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
      candidates.push_back(word);
    }
    if (completing) {
      for (const std::string& t : completing->tableNames()) candidates.push_back(t);
    }
  }
  return rl_completion_matches(text, nextCandidate);
}

// A \connect with a word after the user: a password typed where none is taken. It is
// refused, and kept out of the history too.
bool holdsPassword(const std::string& entry) {
  std::istringstream words(entry);
  std::string command, dataSource, user, more;
  words >> command >> dataSource >> user >> more;
  return (command == "\\c" || command == "\\connect") && !more.empty();
}

// Lines handed over by readline's callback; nullopt for the end of input.
std::deque<std::optional<std::string>> received;

void onLine(char* line) {
  if (line) {
    received.emplace_back(line);
    std::free(line);
  } else {
    received.emplace_back(std::nullopt);
  }
  // The next prompt depends on what the line did; the loop installs it.
  rl_callback_handler_remove();
}

std::string promptFor(const std::string& dataSource, char state) {
  return dataSource + (state == '=' ? "=> " : std::string(1, state) + "> ");
}

// Waits for one line, and lets Ctrl-C drop what is being typed (true: dropped).
std::optional<std::string> readLine(const std::string& prompt, bool* dropped) {
  *dropped = false;
  rl_callback_handler_install(prompt.c_str(), onLine);
  while (received.empty()) {
    fd_set in;
    FD_ZERO(&in);
    FD_SET(fileno(rl_instream), &in);
    int r = select(fileno(rl_instream) + 1, &in, nullptr, nullptr, nullptr);
    if (r < 0) {
      if (errno == EINTR && interrupt::take()) {
        rl_callback_sigcleanup();
        rl_replace_line("", 0);
        rl_callback_handler_remove();
        std::fputs("\n", stdout);
        std::fflush(stdout);
        *dropped = true;
        return std::string();
      }
      if (errno == EINTR) continue;  // a window resize, for instance
      rl_callback_handler_remove();
      return std::nullopt;
    }
    rl_callback_read_char();
  }
  std::optional<std::string> line = std::move(received.front());
  received.pop_front();
  return line;
}

}  // namespace

std::string historyPath(const std::string& dataSource) {
  const char* home = std::getenv("HOME");
  if (!home || !*home) return "";
  std::string name;
  for (char c : dataSource) {
    bool keep = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
    name += keep ? c : '_';
  }
  return std::string(home) + "/.qzsql_history_" + name;
}

int runInteractive(Runner& runner, const std::string& dataSource) {
  rl_readline_name = "qzsql";
  rl_catch_signals = 0;  // Ctrl-C is ours (interrupt.h)
  rl_catch_sigwinch = 1;
  std::string history = historyPath(dataSource);
  using_history();
  if (!history.empty()) loadHistory(history);
  completing = &runner;
  rl_attempted_completion_function = complete;
  rl_basic_word_break_characters = const_cast<char*>(" \t\n\"'`@$><=;|&{(,.");

  StatementSplitter splitter;
  std::string entry;  // the lines of the statement being typed, for the history
  int code = kExitOk;
  for (;;) {
    interrupt::setMode(interrupt::Mode::kPrompt);
    bool dropped = false;
    std::optional<std::string> line =
        readLine(promptFor(runner.dataSource(), splitter.state()), &dropped);
    if (dropped) {
      splitter.discard();
      entry.clear();
      continue;
    }
    if (!line) {
      std::fputs("\n", stdout);
      break;
    }
    if (!entry.empty()) entry += "\n";
    entry += *line;
    splitter.addLine(*line);
    if (!splitter.pending()) {
      if (entry.find_first_not_of(" \t") != std::string::npos && !holdsPassword(entry)) {
        add_history(entry.c_str());
        if (!history.empty()) appendHistory(history, entry);
      }
      entry.clear();
    }
    bool quit = false;
    while (std::optional<Piece> piece = splitter.next()) {
      Outcome o = runner.runPiece(*piece, "");
      if (o == Outcome::kOutputFailed) code = kExitUsage;
      if (o == Outcome::kQuit || o == Outcome::kOutputFailed) {
        quit = true;
        break;
      }
    }
    std::fflush(stdout);
    if (quit) break;
  }
  interrupt::setMode(interrupt::Mode::kChain);
  completing = nullptr;
  if (!history.empty()) history_truncate_file(history.c_str(), kHistoryLines);
  return code;
}

}  // namespace qzsql
