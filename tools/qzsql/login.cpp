#include "tools/qzsql/login.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tools/qzsql/data_sources.h"

namespace qzsql {

std::string askPassword(const std::string& prompt) {
  // Echo goes off before the prompt shows and without flushing: a password typed the moment
  // the prompt appears is neither echoed nor thrown away.
  termios old{};
  bool restore = tcgetattr(STDIN_FILENO, &old) == 0;
  if (restore) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  // Byte by byte from the descriptor: whatever follows the line stays for readline.
  std::string password;
  char c;
  while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n') password += c;
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (restore) tcsetattr(STDIN_FILENO, TCSANOW, &old);
  std::fputs("\n", stderr);
  return password;
}

namespace {

// The server could not be reached or dropped the line: a password would not help. (A
// refused password may come as class 08 too: 08004, the server rejected the connection.)
bool unreachable(const CallFailed& e) {
  const std::string state = e.sqlState();
  return state == "08001" || state == "08006";
}

}  // namespace

bool failedAt(const CallFailed& e, const char* label) {
  const ErrorLevel* root = e.root();
  return root && root->source == std::string("ZIRUV:") + label;
}

Session& login(Sessions& sessions, const Login& how) {
  const std::string prompt = "Password for " + how.dataSource + ": ";
  const char* env = std::getenv("QZSQL_PASSWORD");
  std::string password;
  bool asked = false;
  if (how.askFirst && how.terminal) {
    password = askPassword(prompt);
    asked = true;
  } else if (how.password) {
    password = *how.password;
  } else if (env) {
    password = env;
  }
  // A password given in the environment is final; a guess or an old one is not. A server
  // that cannot be reached is no reason to ask.
  const bool mayAsk = how.terminal && (how.password || !env);
  for (;;) {
    try {
      return sessions.connect(how.dataSource, how.user, password);
    } catch (const CallFailed& e) {
      if (asked || !mayAsk || !failedAt(e, "DSN Connect") || unreachable(e)) throw;
      password = askPassword(prompt);
      asked = true;
    }
  }
}

void connectHint(Sessions& sessions, const CallFailed& e, const std::string& dataSource) {
  if (!failedAt(e, "CONNECT::RegisterDBDriver")) return;
  DataSourceFiles files =
      readDataSources([&](const std::string& p) { return resolvePath(sessions.host(), p); });
  std::fprintf(stderr, "  hint: %s\n", driverHint(files, dataSource).c_str());
}

}  // namespace qzsql
