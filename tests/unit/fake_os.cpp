#include "fake_os.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "diag/log.h"
#include "platform/secure_protocols.h"

namespace qir::testing {
namespace {

class FakeExchange final : public platform::HttpExchange {
 public:
  explicit FakeExchange(std::shared_ptr<FakeExchangeScript> script) : s_(std::move(script)) {}
  ~FakeExchange() override { s_->destroyed = true; }

  bool Open(const std::u16string& agent) override {
    s_->agent = agent;
    return Pass(FakeExchangeScript::FailAt::Open);
  }
  bool SetProtocolOptions() override {
    s_->protocol_options = true;
    return platform::RequireTls12OrNewer([this](std::uint32_t flags) {
      s_->tls_protocols_asked.push_back(flags);
      return (flags & ~s_->tls_protocols_known) == 0;
    });
  }
  bool Connect(const std::u16string& host, std::uint16_t port) override {
    s_->host = host;
    s_->port = port;
    return Pass(FakeExchangeScript::FailAt::Connect);
  }
  bool OpenRequest(std::u16string_view verb, const std::u16string& target,
                   std::uint32_t flags) override {
    s_->verb = verb;
    s_->target = target;
    s_->flags = flags;
    return Pass(FakeExchangeScript::FailAt::OpenRequest);
  }
  void SetDecompression() override { s_->decompression = true; }
  bool Send(const std::u16string& headers, std::string_view body, std::size_t) override {
    s_->headers = headers;
    s_->sent_body = body;
    if (s_->throw_at_send) throw std::bad_alloc();
    return Pass(FakeExchangeScript::FailAt::Send);
  }
  bool Receive() override { return Pass(FakeExchangeScript::FailAt::Receive); }
  std::uint32_t StatusCode() override { return s_->status_code; }
  bool QueryDataAvailable(std::uint32_t* available) override {
    if (read_ > 0 && !Pass(FakeExchangeScript::FailAt::Read)) return false;
    *available = static_cast<std::uint32_t>(std::min<std::size_t>(s_->chunk, s_->body.size() - read_));
    return true;
  }
  bool ReadData(char* buffer, std::uint32_t size, std::uint32_t* read) override {
    const std::size_t n = std::min<std::size_t>(size, s_->body.size() - read_);
    s_->reads.emplace_back(buffer, read_);
    std::copy_n(s_->body.data() + read_, n, buffer);
    read_ += n;
    *read = static_cast<std::uint32_t>(n);
    return true;
  }
  std::optional<std::uint64_t> ContentLength() override { return s_->content_length; }
  bool TakeBody(std::string& body, std::size_t limit) override {
    if (!s_->holds_body) return false;
    if (s_->body.size() > limit) s_->body.resize(limit);
    body = std::move(s_->body);
    return true;
  }
  std::uint32_t last_error() const override { return s_->error_code; }

 private:
  bool Pass(FakeExchangeScript::FailAt stage) const { return s_->fail_at != stage; }
  std::shared_ptr<FakeExchangeScript> s_;
  std::size_t read_ = 0;
};

FakeOsTest* Current() { return FakeOsTest::current; }

}  // namespace

std::unique_ptr<platform::HttpExchange> NewFakeExchange(std::shared_ptr<FakeExchangeScript> script) {
  return std::make_unique<FakeExchange>(std::move(script));
}

FakeOsTest* FakeOsTest::current = nullptr;

void FakeOsTest::SetUp() {
  std::random_device random;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = std::filesystem::temp_directory_path() /
         ("quorvane-" + std::string(info->test_suite_name()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(dir_);
  current = this;

  platform::Os os = platform::SystemOs();
  os.wall_clock_seconds = [] { return Current()->now; };
  os.local_time = [](std::int64_t seconds, std::tm* out) {
    // The tests run on UTC so that log timestamps read as the clock says.
    const std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    // Civil date from days since 1970-01-01 (Howard Hinnant's algorithm).
    std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    *out = std::tm{};
    out->tm_year = static_cast<int>(y - 1900);
    out->tm_mon = static_cast<int>(m - 1);
    out->tm_mday = static_cast<int>(d);
    out->tm_hour = static_cast<int>(rest / 3600);
    rest %= 3600;
    out->tm_min = static_cast<int>(rest / 60);
    out->tm_sec = static_cast<int>(rest % 60);
    return true;
  };
  os.sleep_milliseconds = [](std::uint32_t ms) { Current()->sleeps.push_back(ms); };
  os.last_error = [] { return Current()->last_error; };
  os.module_file_name = []() -> std::filesystem::path {
    if (Current()->module_lookup_fails) return {};
    return Current()->dir_ / "QuorvaneIR.plugin";
  };
  static const auto system_append = platform::SystemOs().append_to_file;
  os.append_to_file = [](const std::filesystem::path& path, std::string_view bytes) {
    if (Current()->fail_log_open) return false;
    return system_append(path, bytes);
  };
  os.new_http_exchange = []() -> std::unique_ptr<platform::HttpExchange> {
    auto* test = Current();
    std::shared_ptr<FakeExchangeScript> script;
    if (test->exchanges.empty()) {
      script = std::make_shared<FakeExchangeScript>();
      script->fail_at = FakeExchangeScript::FailAt::Send;  // unscripted: no answer
      script->error_code = 12029;
    } else {
      script = test->exchanges.front();
      test->exchanges.pop_front();
    }
    test->used_exchanges.push_back(script);
    return NewFakeExchange(script);
  };
  platform::InstallOs(os);
  ResetLogStartedForTesting();
}

void FakeOsTest::TearDown() {
  platform::InstallOs(platform::SystemOs());
  current = nullptr;
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::string FakeOsTest::ReadFile(const std::filesystem::path& path) const {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void FakeOsTest::WriteFile(const std::filesystem::path& path, const std::string& content) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::vector<std::string> FakeOsTest::LogLines() const {
  std::vector<std::string> lines;
  std::istringstream in(LogText());
  std::string line;
  while (std::getline(in, line)) {
    // "YYYY-MM-DD hh:mm:ss | " is 22 characters.
    lines.push_back(line.size() >= 22 ? line.substr(22) : line);
  }
  return lines;
}

std::shared_ptr<FakeExchangeScript> FakeOsTest::Script(FakeExchangeScript script) {
  auto shared = std::make_shared<FakeExchangeScript>(std::move(script));
  exchanges.push_back(shared);
  return shared;
}

}  // namespace qir::testing
