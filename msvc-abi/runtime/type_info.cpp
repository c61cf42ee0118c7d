// The out-of-line members of type_info, and its vtable (??_7type_info@@6B@), which
// every RTTI descriptor the compiler writes points at. Under the Microsoft ABI a
// vtable is emitted where a constructor runs, and type_info has none, so the vtable is
// that of a class laid out like it (a virtual destructor, the cached name, the
// decorated name), given type_info's name for the linker. Undecorated names are built
// on demand by vcruntime140.dll and kept in a list per module, freed when the module
// goes away.
#include <windows.h>

#include <typeinfo>

extern "C" {
__type_info_node* __cdecl __msvc_abi_type_info_root();
_VCRTIMP void __cdecl __std_type_info_destroy_list(__type_info_node* root);
}

namespace msvc_abi {
struct type_info_layout {
  type_info_layout() noexcept = default;
  virtual ~type_info_layout() noexcept = default;
  const char* undecorated_name = nullptr;
  char decorated_name[1] = {};
};
extern const type_info_layout type_info_vtable_source;
const type_info_layout type_info_vtable_source;
}  // namespace msvc_abi

static_assert(sizeof(msvc_abi::type_info_layout) == sizeof(type_info));

#pragma comment(linker, "/alternatename:??_7type_info@@6B@=??_7type_info_layout@msvc_abi@@6B@")
#pragma comment(linker, "/include:?type_info_vtable_source@msvc_abi@@3Utype_info_layout@1@B")

type_info::~type_info() noexcept {}

const char* type_info::name() const noexcept {
  return __std_type_info_name(&_Data, __msvc_abi_type_info_root());
}

namespace {
// The node is an interlocked singly linked list head (16-byte aligned on x86_64);
// all zeroes is an empty list.
SLIST_HEADER root_node;
}  // namespace

extern "C" __type_info_node* __cdecl __msvc_abi_type_info_root() {
  return reinterpret_cast<__type_info_node*>(&root_node);
}

extern "C" void __cdecl __msvc_abi_type_info_release() {
  __std_type_info_destroy_list(__msvc_abi_type_info_root());
}
