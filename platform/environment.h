// Writing the process's own environment. Reading goes through std::getenv, but for a switch
// asked on every statement.
//
// Thread rule: the environment is not guarded; change it while no other thread reads it.
#pragma once

namespace qz::platform {

// Sets name to value for this process (and processes it starts later). False on failure.
bool setEnvironmentVariable(const char* name, const char* value);
void removeEnvironmentVariable(const char* name);

// Whether name is set, to any value, as std::getenv would answer now. For a switch read on
// every call: cheaper than getenv where its scan is costly.
bool environmentVariableSet(const char* name);

}  // namespace qz::platform
