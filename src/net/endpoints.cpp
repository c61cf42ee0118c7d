#include "net/endpoints.h"

#include <iterator>

#include "quorvane_build_config.h"

namespace qir {
namespace {

struct EndpointInfo {
  const char16_t* path;
  const char* log_name;
};

constexpr EndpointInfo kEndpoints[] = {
    {u"/api/chart/score", "chart"},  {u"/api/course/score", "course"},
    {u"/api/chart/board", "chart"},  {u"/api/course/board", "course"},
    {u"/api/chart/ghost", "chart"},  {u"/api/ir/login", "ir_login"},
};

const EndpointInfo* Find(Endpoint endpoint) {
  const auto index = static_cast<std::uint32_t>(endpoint);
  return index < std::size(kEndpoints) ? &kEndpoints[index] : nullptr;
}

constexpr char kRankingPagePrefix[] = "https://" QUORVANE_IR_HOST "/redirecthash/";
constexpr char kRankingPageTemplate[] = "https://" QUORVANE_IR_HOST "/redirecthash/{hash}";

}  // namespace

const char16_t* EndpointPath(Endpoint endpoint) {
  const EndpointInfo* info = Find(endpoint);
  return info != nullptr ? info->path : u"";
}

const char* EndpointLogName(Endpoint endpoint) {
  const EndpointInfo* info = Find(endpoint);
  return info != nullptr ? info->log_name : "unknown";
}

const char16_t* ServerHost() { return u"" QUORVANE_IR_HOST; }
std::int32_t ServerPort() { return QUORVANE_IR_PORT; }
std::uint32_t RequestFlags() { return 0x800000; }

const char* RankingPagePrefix() { return kRankingPagePrefix; }
const char* RankingPageTemplate() { return kRankingPageTemplate; }

}  // namespace qir
