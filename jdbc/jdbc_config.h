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

// Expands the "$NAME" references of a text through the companion zeltools.zelenvcfg (method
// "resolveVar"), whose text answer is taken as it is, empty included; through our own expansion
// when that component cannot be created, its call fails or it answers no value. When our expansion
// cannot expand it (the result would be too long), *error says why. The one expansion of every
// configured text.
std::string resolveVar(const std::string& text, std::string* error = nullptr);

// resolveVar of a path template, with its Windows separators made native.
std::string resolveConfigPath(const std::string& pathTemplate, std::string* error = nullptr);

}  // namespace qz::jdbc
