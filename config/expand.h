// Expansion of installation variables ($NAME, $(NAME)) and of the placeholders
// "%SystemRoot%", "%SystemTemp%" and "%UserAppData%" in paths and settings.
//
// A variable is looked up, first hit wins, in the user registry root, the machine registry
// root, the process environment (as written, upper case, lower case) and the built-in
// constants OSNAME, OSEXT and OSDLLEXT. A variable nobody defines stays as written. Values are
// expanded again; a reference that would close a cycle, nest deeper than kMaxExpansionDepth or
// go beyond kMaxExpansionLookups lookups in one expansion stays as written, so expansion always
// ends. A result longer than kMaxExpandedBytes fails the expansion: a few references to long
// values would otherwise grow into hundreds of megabytes.
//
// Thread rule: any thread may expand; nothing is cached, nothing is written. The environment
// is read with getenv, so nobody may change it while another thread expands. All results are
// returned by value.
#pragma once

#include <cstddef>
#include <string>

namespace qz::config {

// The replaceable expansion hook: returns the expanded text and sets *status to 1 on success.
using ExpansionHook = std::string (*)(const std::string& text, int* status, bool useRegistry);

inline constexpr int kMaxExpansionDepth = 32;
inline constexpr int kMaxExpansionLookups = 4096;
inline constexpr std::size_t kMaxExpandedBytes = 1u << 20;
// The status of an expansion whose result would pass kMaxExpandedBytes.
inline constexpr int kExpansionTooLong = -2;

// Expands text through the current hook (with the registry); the input comes back unchanged
// when the hook reports a status other than 1 or throws.
std::string expandPath(const std::string& text);
// The same; *error says why the input came back unchanged, and is empty when it expanded.
std::string expandPath(const std::string& text, std::string* error);
// The message of a failed expansion of text.
std::string expansionTooLongMessage(const std::string& text);

// The built-in hook: *status 1, or kExpansionTooLong with an empty result.
std::string expandVariables(const std::string& text, int* status, bool useRegistry);

// One variable, unexpanded: *status 1 when found, -1 (and an empty value) when not. Registry
// and environment values count only when not empty; an empty name is never found.
std::string lookupVariable(const std::string& name, int* status, bool useRegistry);

// Reads a string value from the registry. keyPath is a root name ("HKEY_CURRENT_USER",
// "HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_USERS", compared exactly), a separator
// ("\" or "/") and the subkey path; an empty valueName names the key's default value. *found
// (if not null) tells whether a value was read; a value is read whole, whatever its length.
std::string readRegistryValue(const std::string& keyPath, const std::string& valueName,
                              bool* found);

// Installs a hook (null restores the built-in one) and returns the previous one.
ExpansionHook setExpansionHook(ExpansionHook hook);

}  // namespace qz::config
