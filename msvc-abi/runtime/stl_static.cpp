// The small part of Microsoft's C++ library that its import library msvcprt.lib
// carries as code instead of importing from msvcp140.dll: the per-module list of
// facets to destroy at exit, and the messages of Windows error codes for
// std::system_category().
#include <windows.h>

#include <cstddef>
#include <xfacet>
#include <yvals.h>
#include <__msvc_system_error_abi.hpp>

namespace {
// Facets the library created for this module (std::use_facet registers them, under
// the library's lock); destroyed when the module's statics are.
struct facet_list {
  struct node {
    node* next;
    std::_Facet_base* facet;
  };
  node* head = nullptr;

  ~facet_list() {
    while (head) {
      node* first = head;
      head = first->next;
      delete first->facet->_Decref();
      delete first;
    }
  }
};
facet_list facets;
}  // namespace

namespace std {
void __cdecl _Facet_Register(_Facet_base* facet) { facets.head = new facet_list::node{facets.head, facet}; }
}  // namespace std

extern "C" {
size_t __stdcall __std_system_error_allocate_message(unsigned long message_id, char** text) noexcept {
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      message_id, 0, reinterpret_cast<char*>(text), 0, nullptr);
  // Windows ends its messages with a line break.
  while (length > 0 && ((*text)[length - 1] == '\n' || (*text)[length - 1] == '\r' || (*text)[length - 1] == ' ')) {
    --length;
  }
  if (length == 0 && *text) {
    LocalFree(*text);
    *text = nullptr;
  }
  return length;
}

void __stdcall __std_system_error_deallocate_message(char* text) noexcept { LocalFree(text); }
}
