// The plugin library loaded as the host loads it, for the programs that drive it
// over the network.
#ifndef QUORVANE_BENCH_PLUGIN_LIBRARY_H
#define QUORVANE_BENCH_PLUGIN_LIBRARY_H

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "QuorvaneIR.h"
#include "platform/dynamic_library.h"

namespace qir::bench {

struct PluginLibrary {
  std::unique_ptr<platform::DynamicLibrary> library;
  MethodTable table{};
};

// Loads root/plugin/QuorvaneIR.so and enters root/game, the host's working directory.
inline PluginLibrary LoadPlugin(const std::filesystem::path& root) {
  PluginLibrary plugin;
  std::string error;
  plugin.library = platform::LoadDynamicLibrary(root / "plugin" / "QuorvaneIR.so", &error);
  if (!plugin.library) throw std::runtime_error(error);
  const auto get = reinterpret_cast<GetMethodTableFn>(plugin.library->Symbol("GetMethodTable"));
  if (get == nullptr) throw std::runtime_error("the plugin exports no GetMethodTable");
  get(&plugin.table);
  std::filesystem::current_path(root / "game");
  return plugin;
}

}  // namespace qir::bench

#endif
