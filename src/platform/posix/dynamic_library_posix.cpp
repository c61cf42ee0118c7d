#include <dlfcn.h>
#include <unistd.h>

#include "platform/dynamic_library.h"

namespace qir::platform {
namespace {

class PosixLibrary final : public DynamicLibrary {
 public:
  explicit PosixLibrary(void* handle) : handle_(handle) {}
  ~PosixLibrary() override { dlclose(handle_); }
  void* Symbol(const char* name) const override { return dlsym(handle_, name); }

 private:
  void* handle_;
};

}  // namespace

// A name without a slash would go to the library search path, not to the file meant.
std::unique_ptr<DynamicLibrary> LoadDynamicLibrary(const std::filesystem::path& given,
                                                   std::string* error) {
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::absolute(given, ec);
  void* handle = ec ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (error != nullptr) {
      const char* why = ec ? nullptr : dlerror();
      *error = "cannot load " + given.string() + ": " +
               (ec ? ec.message() : why != nullptr ? why : "unknown error");
    }
    return nullptr;
  }
  return std::make_unique<PosixLibrary>(handle);
}

std::filesystem::path RunningExecutable() {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : path;
}

}  // namespace qir::platform
