// Stands in for Microsoft's vcruntime_new_debug.h (the debug-heap operator new
// overloads are never used by this runtime).
#pragma once
#include <vcruntime_new.h>
