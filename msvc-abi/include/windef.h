// Wine's <windef.h>, which defines the keyword inline as __inline for Microsoft's
// compiler; the Windows SDK does not, and Microsoft's STL refuses a macroized keyword.
#pragma once
#include_next <windef.h>
#ifdef __cplusplus
#undef inline
#endif
