// Wine's <signal.h> with the C type sig_atomic_t, as in the Universal CRT.
#pragma once
#include_next <signal.h>
#ifndef _MSVC_ABI_SIGNAL_H
#define _MSVC_ABI_SIGNAL_H
typedef int sig_atomic_t;
#endif
