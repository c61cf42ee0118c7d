// Stands in for Microsoft's intrin0.h, the small set of compiler intrinsics the STL
// headers use; clang's <intrin.h> declares them all.
#pragma once
#include <intrin.h>
