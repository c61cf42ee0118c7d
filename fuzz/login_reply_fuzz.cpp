// A login reply: the body arrives whole whatever the transport's chunk size, and the
// attempt succeeds exactly when a 2xx answer's body is an object whose "logged_in" is
// true.
//
// Input: a byte choosing the status, a byte giving the chunk size, then the body.
#include <string>

#include <nlohmann/json.hpp>

#include "checks.h"
#include "fuzz_os.h"
#include "net/http_client.h"
#include "plugin/login.h"

namespace {

constexpr std::uint32_t kStatuses[] = {200, 201, 401, 500};

bool SaysLoggedIn(const std::string& body) {
  const nlohmann::json document = nlohmann::json::parse(body, nullptr, false);
  if (!document.is_object()) return false;
  const auto it = document.find("logged_in");
  return it != document.end() && *it == true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qir::fuzz::InstallFuzzOs();
  if (size < 2) return -1;
  const std::uint32_t status_code = kStatuses[data[0] % 4];
  const std::string body(reinterpret_cast<const char*>(data) + 2, size - 2);
  qir::fuzz::SetReply(status_code, body, data[1]);

  std::string received = "stale";
  const qir::HttpStatus mapped = qir::MapHttpStatus(status_code);
  FUZZ_CHECK(qir::HttpGet({}, "key123", qir::Endpoint::IrLogin, "login_fetch", received) ==
             mapped);
  FUZZ_CHECK(received == body.substr(0, qir::kResponseBodyLimit));

  const qir::HttpStatus expected =
      mapped != qir::HttpStatus::Ok ? mapped
      : SaysLoggedIn(body)          ? qir::HttpStatus::Ok
                                    : qir::HttpStatus::Fail;
  FUZZ_CHECK(qir::LoginAttempt("key123") == expected);
  return 0;
}
