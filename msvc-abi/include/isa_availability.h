// Stands in for Microsoft's isa_availability.h: the instruction-set levels the STL
// compares __isa_available against (used only by its vectorized algorithms, which this
// build turns off with _USE_STD_VECTOR_ALGORITHMS=0).
#pragma once
enum __ISA_AVAILABILITY {
  __ISA_AVAILABLE_X86 = 0,
  __ISA_AVAILABLE_SSE2 = 1,
  __ISA_AVAILABLE_SSE42 = 2,
  __ISA_AVAILABLE_AVX = 3,
  __ISA_AVAILABLE_ENFSTRG = 4,
  __ISA_AVAILABLE_AVX2 = 5,
  __ISA_AVAILABLE_AVX512 = 6,
};
