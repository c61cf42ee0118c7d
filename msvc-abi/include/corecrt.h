// Wine's <corecrt.h> with the Universal CRT's _Mbstatet, the multibyte conversion
// state that Microsoft's STL names directly (mbstate_t is made the same type in
// <wchar.h>).
#pragma once
#include_next <corecrt.h>
#ifndef _MBSTATET_DEFINED
#define _MBSTATET_DEFINED
typedef struct _Mbstatet {
  unsigned long _Wchar;
  unsigned short _Byte, _State;
} _Mbstatet;
#endif
