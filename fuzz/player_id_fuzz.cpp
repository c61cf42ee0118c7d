// The player id from any config.xml bytes: the text between the first "<id>" (from
// the first "<player>" on) and the next "</id>", or nothing.
#include <string>
#include <string_view>

#include "checks.h"
#include "host/player_id.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view config(reinterpret_cast<const char*>(data), size);
  const std::string id = qir::PlayerIdFromConfig(config);

  const std::size_t player = config.find("<player>");
  const std::size_t from = player == std::string_view::npos ? 0 : player;
  const std::size_t open = config.find("<id>", from);
  FUZZ_CHECK(id.find("</id>") == std::string::npos);
  if (open == std::string_view::npos) {
    FUZZ_CHECK(id.empty());
    return 0;
  }
  const std::string_view rest = config.substr(open + 4);
  if (rest.starts_with(id) && rest.substr(id.size()).starts_with("</id>")) return 0;
  // Only an unclosed id gives nothing.
  FUZZ_CHECK(id.empty() && rest.find("</id>") == std::string_view::npos);
  return 0;
}
