#include "host/player_id.h"

#include <gtest/gtest.h>

namespace qir {
namespace {

TEST(PlayerIdFromConfig, Table) {
  const std::pair<const char*, const char*> rows[] = {
      {"<player><name>x</name><id>123456</id></player>", "123456"},
      {"<id>1</id><player><id>2</id></player>", "2"},
      {"<config><id>77</id></config>", "77"},
      {"<player><id> 42 </id>", " 42 "},
      {"<player><id>42", ""},
      {"<player><id></id>", ""},
      {"<player><id a=\"1\">5</id>", ""},
      {"<player>\n<id>\n9\n</id>", "\n9\n"},
      {"<PLAYER><ID>3</ID>", ""},
      {"", ""},
      {"<player></id><id>8</id>", "8"},
  };
  for (const auto& [config, id] : rows) EXPECT_EQ(PlayerIdFromConfig(config), id) << config;
}

}  // namespace
}  // namespace qir
