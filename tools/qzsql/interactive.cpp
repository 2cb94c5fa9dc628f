#include "tools/qzsql/interactive.h"

// readline's headers need stdio first.
#include <cstdio>
// clang-format off
#include <readline/readline.h>
#include <readline/history.h>
// clang-format on
#include <sys/select.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <optional>

#include "tools/qzsql/interrupt.h"
#include "tools/qzsql/statements.h"

namespace qzsql {
namespace {

constexpr int kHistoryLines = 2000;

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
  if (!history.empty()) {
    if (read_history(history.c_str()) != 0) write_history(history.c_str());  // creates it
  }

  StatementSplitter splitter;
  std::string entry;  // the lines of the statement being typed, for the history
  int code = kExitOk;
  for (;;) {
    interrupt::setMode(interrupt::Mode::kPrompt);
    bool dropped = false;
    std::optional<std::string> line = readLine(promptFor(dataSource, splitter.state()), &dropped);
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
      if (entry.find_first_not_of(" \t") != std::string::npos) {
        add_history(entry.c_str());
        if (!history.empty()) append_history(1, history.c_str());
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
  if (!history.empty()) history_truncate_file(history.c_str(), kHistoryLines);
  return code;
}

}  // namespace qzsql
