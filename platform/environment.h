// Writing the process's own environment. Reading goes through std::getenv.
//
// Thread rule: the environment is not guarded; change it while no other thread reads it.
#pragma once

namespace qz::platform {

// Sets name to value for this process (and processes it starts later). False on failure.
bool setEnvironmentVariable(const char* name, const char* value);
void removeEnvironmentVariable(const char* name);

}  // namespace qz::platform
