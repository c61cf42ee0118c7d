// operator new and delete over ucrtbase's malloc and free: every module of the process
// (the host, the plugin, msvcp140.dll) allocates from the one heap, so memory one
// allocates another may free. This is what the host and the plugin rely on when they
// hand each other standard-library strings and vectors.
#include <malloc.h>
#include <stdint.h>
#include <stdlib.h>

#include <new>

extern "C" int __cdecl _callnewh(size_t size);  // ucrtbase: runs the new handler

namespace std {
const nothrow_t nothrow{};
}

namespace {
[[noreturn]] void throw_bad_alloc(size_t size) {
  if (size == SIZE_MAX) {
    throw std::bad_array_new_length{};
  }
  throw std::bad_alloc{};
}

void* allocate(size_t size) {
  for (;;) {
    if (void* block = malloc(size == 0 ? 1 : size)) {
      return block;
    }
    if (_callnewh(size) == 0) {
      throw_bad_alloc(size);
    }
  }
}

void* allocate_aligned(size_t size, std::align_val_t alignment) {
  for (;;) {
    if (void* block = _aligned_malloc(size == 0 ? 1 : size, static_cast<size_t>(alignment))) {
      return block;
    }
    if (_callnewh(size) == 0) {
      throw_bad_alloc(size);
    }
  }
}

template <class Allocate>
void* allocate_nothrow(Allocate allocate_or_throw) noexcept {
  try {
    return allocate_or_throw();
  } catch (...) {
    return nullptr;
  }
}
}  // namespace

void* __CRTDECL operator new(size_t size) { return allocate(size); }
void* __CRTDECL operator new[](size_t size) { return allocate(size); }
void* __CRTDECL operator new(size_t size, const std::nothrow_t&) noexcept {
  return allocate_nothrow([=] { return allocate(size); });
}
void* __CRTDECL operator new[](size_t size, const std::nothrow_t&) noexcept {
  return allocate_nothrow([=] { return allocate(size); });
}
void __CRTDECL operator delete(void* block) noexcept { free(block); }
void __CRTDECL operator delete[](void* block) noexcept { free(block); }
void __CRTDECL operator delete(void* block, const std::nothrow_t&) noexcept { free(block); }
void __CRTDECL operator delete[](void* block, const std::nothrow_t&) noexcept { free(block); }
void __CRTDECL operator delete(void* block, size_t) noexcept { free(block); }
void __CRTDECL operator delete[](void* block, size_t) noexcept { free(block); }

void* __CRTDECL operator new(size_t size, std::align_val_t alignment) {
  return allocate_aligned(size, alignment);
}
void* __CRTDECL operator new[](size_t size, std::align_val_t alignment) {
  return allocate_aligned(size, alignment);
}
void* __CRTDECL operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate_nothrow([=] { return allocate_aligned(size, alignment); });
}
void* __CRTDECL operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return allocate_nothrow([=] { return allocate_aligned(size, alignment); });
}
void __CRTDECL operator delete(void* block, std::align_val_t) noexcept { _aligned_free(block); }
void __CRTDECL operator delete[](void* block, std::align_val_t) noexcept { _aligned_free(block); }
void __CRTDECL operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  _aligned_free(block);
}
void __CRTDECL operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  _aligned_free(block);
}
void __CRTDECL operator delete(void* block, size_t, std::align_val_t) noexcept { _aligned_free(block); }
void __CRTDECL operator delete[](void* block, size_t, std::align_val_t) noexcept { _aligned_free(block); }
