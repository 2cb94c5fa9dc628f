// The shared library's own translation unit: everything else comes from qz_engine_core,
// linked whole so that its static hooks are constructed at load.
#include "engine/engine.h"
