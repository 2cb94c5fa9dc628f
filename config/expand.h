// Expansion of installation variables ($NAME, $(NAME)) and placeholders in paths.
//
// Thread rule: any thread may expand; nothing is cached and nothing is written.
#pragma once

#include <string>

namespace qz::config {

// The replaceable expansion hook: returns the expanded text and sets *status to 1 on success.
using ExpansionHook = std::string (*)(const std::string& text, int* status, bool useRegistry);

// Expands text through the current hook; the input comes back unchanged when the hook fails.
std::string expandPath(const std::string& text);

// The built-in hook.
std::string expandVariables(const std::string& text, int* status, bool useRegistry);

// One variable: *status 1 when found, -1 (and an empty value) when not.
std::string lookupVariable(const std::string& name, int* status, bool useRegistry);

// Installs a hook (null restores the built-in one) and returns the previous one.
ExpansionHook setExpansionHook(ExpansionHook hook);

}  // namespace qz::config
