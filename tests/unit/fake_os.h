// A replaceable operating system for the unit tests: a temporary plugin directory,
// a settable clock, recorded sleeps, a log open that can be made to fail and a
// scripted HTTP transport.
#ifndef QUORVANE_TESTS_FAKE_OS_H
#define QUORVANE_TESTS_FAKE_OS_H

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/http_exchange.h"
#include "platform/os.h"

namespace qir::testing {

// What one scripted exchange does and what was asked of it.
struct FakeExchangeScript {
  enum class FailAt { None, Open, Connect, OpenRequest, Send, Receive, Read };
  FailAt fail_at = FailAt::None;
  std::uint32_t error_code = 0;
  std::uint32_t status_code = 200;
  std::string body;
  std::uint32_t chunk = 1000;  // bytes reported available per read
  bool throw_at_send = false;  // as memory running out would
  // The TLS protocol flags the platform knows: like WinHTTP, it refuses a set that
  // holds any other (0x2800: TLS 1.2 and 1.3; 0x800: 1.2 alone, as before Windows 11).
  std::uint32_t tls_protocols_known = 0x2800;
  std::optional<std::uint64_t> content_length;  // as the reply's headers announce it
  bool holds_body = false;  // hands its body over whole, as a buffering transport does

  // Filled by the exchange.
  std::u16string agent;
  std::u16string host;
  std::uint16_t port = 0;
  std::u16string verb;
  std::u16string target;
  std::uint32_t flags = 0;
  std::u16string headers;
  std::string sent_body;
  bool protocol_options = false;
  std::vector<std::uint32_t> tls_protocols_asked;
  bool decompression = false;
  bool destroyed = false;
  std::vector<std::pair<const char*, std::size_t>> reads;  // destination, body offset
};

// An exchange that follows the script (the fake system's exchanges are these).
std::unique_ptr<platform::HttpExchange> NewFakeExchange(std::shared_ptr<FakeExchangeScript> script);

class FakeOsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::filesystem::path dir() const { return dir_; }
  std::string ReadFile(const std::filesystem::path& path) const;
  void WriteFile(const std::filesystem::path& path, const std::string& content) const;
  std::string LogText() const { return ReadFile(dir_ / "debug.log"); }
  // The log's lines with their timestamps cut off.
  std::vector<std::string> LogLines() const;

  // Queues a scripted exchange; the returned script fills in as it runs.
  std::shared_ptr<FakeExchangeScript> Script(FakeExchangeScript script = {});

 public:
  static FakeOsTest* current;
  std::filesystem::path dir_;
  std::int64_t now = 1'772'600'767;  // 2026-03-04 05:06:07 UTC
  std::vector<std::uint32_t> sleeps;
  bool fail_log_open = false;
  std::uint32_t last_error = 0;
  bool module_lookup_fails = false;
  std::deque<std::shared_ptr<FakeExchangeScript>> exchanges;
  std::vector<std::shared_ptr<FakeExchangeScript>> used_exchanges;
};

}  // namespace qir::testing

#endif
