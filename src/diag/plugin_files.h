// The plugin's own directory and the API key file beside it.
#ifndef QUORVANE_DIAG_PLUGIN_FILES_H
#define QUORVANE_DIAG_PLUGIN_FILES_H

#include <cstddef>
#include <filesystem>
#include <string>

namespace qir {

inline constexpr std::size_t kApiKeyMaxLength = 32;

// Directory of the loaded plugin library; empty when it cannot be found, so that
// names joined onto it fall back to the current directory.
std::filesystem::path PluginDirectory();

// A file beside the plugin: PluginDirectory() / name, made by putting the name in
// place of the module's own file name (which spares building the directory first).
std::filesystem::path PluginFilePath(const std::filesystem::path& name);

// The API key from "key.txt" beside the plugin; empty means there is no key.
std::string ReadApiKey();

// The key as it stands in the file's content: a leading UTF-8 byte-order mark and
// trailing line breaks, blanks and tabs dropped, then cut to 32 characters.
std::string ApiKeyFromFileContent(std::string content);

}  // namespace qir

#endif
