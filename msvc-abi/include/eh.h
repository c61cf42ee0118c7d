// Wine's <eh.h>, with C linkage for its functions as in the Universal CRT (ucrtbase
// exports terminate and set_terminate under their C names), and the handler getters
// the Universal CRT declares there (_get_terminate is ucrtbase's, _get_unexpected
// vcruntime140's).
#pragma once
extern "C" {
#include_next <eh.h>
}
#ifndef _MSVC_ABI_EH_H
#define _MSVC_ABI_EH_H
#ifdef __cplusplus
extern "C" {
#endif
_ACRTIMP terminate_handler __cdecl _get_terminate(void);
__declspec(dllimport) unexpected_handler __cdecl _get_unexpected(void);
#ifdef __cplusplus
}
#endif
#endif
