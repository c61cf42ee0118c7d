// Loading the plugin DLL from the host side.
#include "platform/dynamic_library.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace qir::platform {

namespace {

class Win32Library final : public DynamicLibrary {
 public:
  explicit Win32Library(HMODULE module) : module_(module) {}
  Win32Library(const Win32Library&) = delete;
  Win32Library& operator=(const Win32Library&) = delete;
  ~Win32Library() override { FreeLibrary(module_); }

  void* Symbol(const char* name) const override {
    return reinterpret_cast<void*>(GetProcAddress(module_, name));
  }

 private:
  HMODULE module_;
};

}  // namespace

// A bare file name would go to the DLL search path, where the program's own folder
// comes before the current one.
std::unique_ptr<DynamicLibrary> LoadDynamicLibrary(const std::filesystem::path& given,
                                                   std::string* error) {
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::absolute(given, ec);
  HMODULE module = ec ? nullptr : LoadLibraryW(path.c_str());
  if (module == nullptr) {
    const DWORD code = ec ? static_cast<DWORD>(ec.value()) : GetLastError();
    if (error != nullptr) {
      // UTF-8, as the callers' text is: string() would throw for a name the ANSI code
      // page cannot spell.
      const std::u8string name = given.u8string();
      *error = "cannot load " + std::string(name.begin(), name.end()) + ": error " +
               std::to_string(code);
    }
    return nullptr;
  }
  return std::make_unique<Win32Library>(module);
}

std::filesystem::path RunningExecutable() {
  wchar_t name[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
  if (length == 0) return {};
  return std::filesystem::path(std::wstring(name, length));
}

}  // namespace qir::platform
