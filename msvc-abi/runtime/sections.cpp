// The markers bracketing the initializer tables (see sections.h); the tables are
// read-only data once linked.
#include "sections.h"

#pragma comment(linker, "/merge:.CRT=.rdata")

extern "C" {
__declspec(allocate(".CRT$XIA")) _PIFV __xi_a[] = {nullptr};
__declspec(allocate(".CRT$XIZ")) _PIFV __xi_z[] = {nullptr};
__declspec(allocate(".CRT$XCA")) _PVFV __xc_a[] = {nullptr};
__declspec(allocate(".CRT$XCZ")) _PVFV __xc_z[] = {nullptr};
__declspec(allocate(".CRT$XDA")) _PVFV __xd_a[] = {nullptr};
__declspec(allocate(".CRT$XDZ")) _PVFV __xd_z[] = {nullptr};
}
