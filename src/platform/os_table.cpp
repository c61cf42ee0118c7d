#include "platform/os.h"

#include <atomic>

namespace qir::platform {

const Os& DefaultOs();  // defined by the platform's implementation

namespace {
std::atomic<const Os*> g_installed{nullptr};
Os g_override{};
}  // namespace

const Os& SystemOs() { return DefaultOs(); }

const Os& CurrentOs() {
  const Os* os = g_installed.load(std::memory_order_acquire);
  return os != nullptr ? *os : DefaultOs();
}

void InstallOs(const Os& os) {
  if (&os == &DefaultOs()) {
    g_installed.store(nullptr, std::memory_order_release);
    return;
  }
  g_override = os;
  g_installed.store(&g_override, std::memory_order_release);
}

}  // namespace qir::platform
