#include "diag/plugin_files.h"

#include "diag/text_file.h"
#include "platform/os.h"

namespace qir {

std::filesystem::path PluginDirectory() {
  const std::filesystem::path module = platform::CurrentOs().module_file_name();
  if (module.empty()) return {};
  return module.parent_path();
}

std::filesystem::path PluginFilePath(const std::filesystem::path& name) {
  std::filesystem::path path = platform::CurrentOs().module_file_name();
  path.replace_filename(name);
  return path;
}

std::string ApiKeyFromFileContent(std::string content) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (content.starts_with(kByteOrderMark)) content.erase(0, kByteOrderMark.size());
  const std::size_t end = content.find_last_not_of("\r\n \t");
  content.erase(end == std::string::npos ? 0 : end + 1);
  if (content.size() > kApiKeyMaxLength) content.resize(kApiKeyMaxLength);
  return content;
}

std::string ReadApiKey() {
  std::optional<std::string> content = ReadTextFile(PluginFilePath("key.txt"));
  if (!content) return {};
  return ApiKeyFromFileContent(std::move(*content));
}

}  // namespace qir
