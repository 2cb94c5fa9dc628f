// The prompt: line editing and history through GNU readline, statements over several lines,
// Ctrl-C that drops the line being typed or stops a long result, a history file per data
// source ($HOME/.qzsql_history_<data source>) that keeps a statement of several lines as one
// entry, and Tab completion of meta-commands, SQL keywords and table names.
//
// Thread rule: the main thread; readline keeps global state. Ownership: none.
#pragma once

#include <string>

#include "tools/qzsql/runner.h"

namespace qzsql {

// Reads and runs until \q or the end of input. Returns the exit code.
int runInteractive(Runner& runner, const std::string& dataSource);

// The history file of a data source, or "" when there is no $HOME. Characters other than
// letters, digits, '.', '-' and '_' in the name become '_'.
std::string historyPath(const std::string& dataSource);

}  // namespace qzsql
