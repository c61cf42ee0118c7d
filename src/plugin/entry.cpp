// The library's one export.
#include "QuorvaneIR.h"
#include "plugin/slots.h"

extern "C" void GetMethodTable(MethodTable* table) { qir::FillMethodTable(table); }
