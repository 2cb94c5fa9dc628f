// Where jdbc.cfg is and what it holds: one block per data source, named as the script names
// the data source, with the items below. Files are looked for at the user path, then at the
// setup path; the first one that reads is used alone.
//
// Thread rule: any thread; nothing is cached, each call reads afresh.
#pragma once

#include <string>

namespace qz::jdbc {

inline constexpr char kUserConfigTemplate[] = "$KESTRAN_USER\\jdbc.cfg";
inline constexpr char kSetupConfigTemplate[] = "$KESTRAN_SETUP\\jdbc.cfg";

inline constexpr char kUrlItem[] = "URL";
inline constexpr char kDriverClassItem[] = "DriverClass";
inline constexpr char kServerDbItem[] = "ServerDB";

// Expands the installation variables of a path through the companion zeltools.zelenvcfg, or
// through our own expansion when that component cannot be created or does not answer a text.
// Backslashes become slashes afterwards: the templates are written with Windows separators.
// When neither expands it (the expansion would be too long), *error says why.
std::string resolveConfigPath(const std::string& pathTemplate, std::string* error = nullptr);

}  // namespace qz::jdbc
