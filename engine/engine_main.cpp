// The shared library's own translation unit: everything else comes from qz_engine_core,
// linked whole so that its static hooks are constructed at load.
#include "engine/engine.h"

#ifdef _WIN32
#include <windows.h>

// Loading and unloading need nothing beyond the static objects the runtime builds and destroys.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
#endif
