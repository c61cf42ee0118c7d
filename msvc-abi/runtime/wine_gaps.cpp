// What Wine's msvcp140.dll leaves unimplemented (a stub that aborts the process) but
// Microsoft's exports and this code reaches. Defined here, ahead of the import
// library, so the program does under Wine what it does on Windows; on Windows these
// come from msvcp140.dll.
#include <functional>

namespace std {
// std::function called while empty.
[[noreturn]] void __cdecl _Xbad_function_call() { throw bad_function_call{}; }
}  // namespace std
