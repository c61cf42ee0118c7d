// Wine's <bcrypt.h> declares its functions without C linkage for C++; the Windows
// SDK's has it.
#pragma once
#ifdef __cplusplus
extern "C" {
#endif
#include_next <bcrypt.h>
#ifdef __cplusplus
}
#endif
