// Loading a dynamic library and looking up a symbol (the host side of the plugin).
#ifndef QUORVANE_PLATFORM_DYNAMIC_LIBRARY_H
#define QUORVANE_PLATFORM_DYNAMIC_LIBRARY_H

#include <filesystem>
#include <memory>
#include <string>

namespace qir::platform {

class DynamicLibrary {
 public:
  virtual ~DynamicLibrary() = default;
  // Address of an exported symbol, or null.
  virtual void* Symbol(const char* name) const = 0;
};

// Loads the library; on failure returns null and describes why in *error.
std::unique_ptr<DynamicLibrary> LoadDynamicLibrary(const std::filesystem::path& path,
                                                   std::string* error);

// Full file name of the running executable; empty on failure.
std::filesystem::path RunningExecutable();

}  // namespace qir::platform

#endif
