#include <gtest/gtest.h>

#include <string>

#include "net/http_status.h"

namespace qir {
namespace {

TEST(MapHttpStatus, Table) {
  const std::pair<std::uint32_t, HttpStatus> rows[] = {
      {200, HttpStatus::Ok},    {204, HttpStatus::Ok},     {299, HttpStatus::Ok},
      {0, HttpStatus::Retry},   {100, HttpStatus::Retry},  {199, HttpStatus::Retry},
      {300, HttpStatus::Retry}, {399, HttpStatus::Retry},  {400, HttpStatus::Fail},
      {401, HttpStatus::Fail},  {499, HttpStatus::Fail},   {500, HttpStatus::Retry},
      {503, HttpStatus::Retry}, {600, HttpStatus::Retry},  {4294967295u, HttpStatus::Retry},
  };
  for (const auto& [code, status] : rows) EXPECT_EQ(MapHttpStatus(code), status) << code;
}

TEST(HttpStatusName, Names) {
  EXPECT_EQ(std::string(HttpStatusName(HttpStatus::Ok)), "Ok");
  EXPECT_EQ(std::string(HttpStatusName(HttpStatus::Retry)), "Retry");
  EXPECT_EQ(std::string(HttpStatusName(HttpStatus::Fail)), "Fail");
}

}  // namespace
}  // namespace qir
