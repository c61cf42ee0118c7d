#include <gtest/gtest.h>

#include <string>

#include "net/endpoints.h"
#include "quorvane_build_config.h"

namespace qir {
namespace {

TEST(Endpoints, PathsAndLogNames) {
  struct Row {
    std::int32_t value;
    std::u16string path;
    std::string log_name;
  };
  const Row rows[] = {
      {0, u"/api/chart/score", "chart"},  {1, u"/api/course/score", "course"},
      {2, u"/api/chart/board", "chart"},  {3, u"/api/course/board", "course"},
      {4, u"/api/chart/ghost", "chart"},  {5, u"/api/ir/login", "ir_login"},
      {6, u"", "unknown"},                {-1, u"", "unknown"},
      {1000, u"", "unknown"},
  };
  for (const Row& row : rows) {
    const auto endpoint = static_cast<Endpoint>(row.value);
    ASSERT_NE(EndpointPath(endpoint), nullptr) << row.value;
    EXPECT_EQ(std::u16string(EndpointPath(endpoint)), row.path) << row.value;
    EXPECT_EQ(std::string(EndpointLogName(endpoint)), row.log_name) << row.value;
  }
}

TEST(Endpoints, ServerConstantsComeFromTheBuild) {
  const std::string host = QUORVANE_IR_HOST;
  EXPECT_EQ(std::u16string(ServerHost()), std::u16string(host.begin(), host.end()));
  EXPECT_EQ(ServerPort(), QUORVANE_IR_PORT);
  EXPECT_EQ(RequestFlags(), 0x800000u);
  EXPECT_EQ(std::string(RankingPagePrefix()), "https://" + host + "/redirecthash/");
  EXPECT_EQ(std::string(RankingPageTemplate()), "https://" + host + "/redirecthash/{hash}");
}

}  // namespace
}  // namespace qir
