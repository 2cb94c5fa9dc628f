// How qzsql makes a connection, at start and for \connect: the password from QZSQL_PASSWORD
// or the one last used, else the empty one; at a terminal it asks for the password when the
// connection refuses that one, or first with -W. A password is read without echo and never
// written anywhere.
//
// Thread rule: one thread. Ownership: none.
#pragma once

#include <optional>
#include <string>

#include "tools/qzsql/dispatch.h"
#include "tools/qzsql/session.h"

namespace qzsql {

struct Login {
  std::string dataSource;
  std::string user;
  std::optional<std::string> password;  // tried first when set (a reconnect's)
  bool askFirst = false;                // -W
  bool terminal = false;                // standard input is a terminal: asking is possible
};

// Reads a line from the terminal on standard input without echoing it.
std::string askPassword(const std::string& prompt);

// Connects a session (Sessions::connect) as the login says. Throws CallFailed of the last try.
Session& login(Sessions& sessions, const Login& how);

// Whether the failure came from the engine step of that label ("DSN Connect").
bool failedAt(const CallFailed& e, const char* label);

// Writes what the user can do about a failed connect, when there is something to say.
void connectHint(Sessions& sessions, const CallFailed& e, const std::string& dataSource);

}  // namespace qzsql
