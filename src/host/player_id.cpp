#include "host/player_id.h"

#include <filesystem>

#include "diag/text_file.h"

namespace qir {

std::string PlayerIdFromConfig(std::string_view config) {
  std::size_t from = config.find("<player>");
  if (from == std::string_view::npos) from = 0;
  const std::size_t open = config.find("<id>", from);
  if (open == std::string_view::npos) return {};
  const std::size_t begin = open + 4;
  const std::size_t close = config.find("</id>", begin);
  if (close == std::string_view::npos) return {};
  return std::string(config.substr(begin, close - begin));
}

std::string ReadPlayerId() {
  const std::optional<std::string> config =
      ReadTextFile(std::filesystem::path("LR2files") / "Config" / "config.xml");
  return config ? PlayerIdFromConfig(*config) : std::string();
}

}  // namespace qir
