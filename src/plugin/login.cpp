#include "plugin/login.h"

#include <nlohmann/json.hpp>

#include "diag/log.h"
#include "diag/plugin_files.h"
#include "net/http_client.h"
#include "net/reply_members.h"
#include "net/retry.h"

namespace qir {
namespace {

constexpr MemberNames kLoggedInKeys = NamesOf(Member(Reply::Login, "logged_in"));

}  // namespace

bool LoginReplySaysLoggedIn(std::string_view body) {
  const nlohmann::json document =
      nlohmann::json::parse(body, /*cb=*/nullptr, /*allow_exceptions=*/false,
                            /*ignore_comments=*/false);
  if (document.is_discarded() || !document.is_object()) return false;
  for (const std::string_view key : kLoggedInKeys) {
    const auto it = document.find(key);
    if (it != document.end() && it->is_boolean()) return it->get<bool>();
  }
  return false;
}

HttpStatus LoginAttempt(const std::string& api_key) {
  std::string body;
  const HttpStatus status = HttpGet({}, api_key, Endpoint::IrLogin, "login_fetch", body);
  if (status != HttpStatus::Ok) return status;
  return LoginReplySaysLoggedIn(body) ? HttpStatus::Ok : HttpStatus::Fail;
}

bool Login() {
  StartLog();
  const std::string api_key = ReadApiKey();
  if (api_key.empty()) {
    Log("WARN", "login_skip_no_api_key");
    return false;
  }
  const bool logged_in =
      WithRetry([&api_key] { return LoginAttempt(api_key); }) == HttpStatus::Ok;
  Log("INFO", "login_done", logged_in ? "logged_in=1" : "logged_in=0");
  return logged_in;
}

}  // namespace qir
