#include "fuzz_os.h"

#include <unistd.h>

#include <algorithm>
#include <memory>

#include "platform/http_exchange.h"
#include "platform/os.h"

namespace qir::fuzz {
namespace {

struct Reply {
  std::uint32_t status_code = 200;
  std::string body;
  std::uint32_t chunk = 1000;
};

Reply& CurrentReply() {
  static Reply reply;
  return reply;
}

class ScriptedExchange final : public platform::HttpExchange {
 public:
  bool Open(const std::u16string&) override { return true; }
  bool SetProtocolOptions() override { return true; }
  bool Connect(const std::u16string&, std::uint16_t) override { return true; }
  bool OpenRequest(std::u16string_view, const std::u16string&, std::uint32_t) override {
    return true;
  }
  void SetDecompression() override {}
  bool Send(const std::u16string&, std::string_view, std::size_t) override { return true; }
  bool Receive() override { return true; }
  std::uint32_t StatusCode() override { return reply_.status_code; }
  bool QueryDataAvailable(std::uint32_t* available) override {
    *available = static_cast<std::uint32_t>(
        std::min<std::size_t>(reply_.chunk, reply_.body.size() - read_));
    return true;
  }
  bool ReadData(char* buffer, std::uint32_t size, std::uint32_t* read) override {
    const std::size_t n = std::min<std::size_t>(size, reply_.body.size() - read_);
    std::copy_n(reply_.body.data() + read_, n, buffer);
    read_ += n;
    *read = static_cast<std::uint32_t>(n);
    return true;
  }
  std::uint32_t last_error() const override { return 0; }

 private:
  Reply reply_ = CurrentReply();
  std::size_t read_ = 0;
};

std::filesystem::path g_dir;

void RemoveScratch() {
  std::error_code ignored;
  std::filesystem::remove_all(g_dir, ignored);
}

}  // namespace

const std::filesystem::path& InstallFuzzOs() {
  if (!g_dir.empty()) return g_dir;
  std::string pattern = (std::filesystem::temp_directory_path() / "quorvane-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  g_dir = pattern;
  std::atexit(RemoveScratch);

  platform::Os os = platform::SystemOs();
  os.wall_clock_seconds = [] { return kNow; };
  os.sleep_milliseconds = [](std::uint32_t) {};
  os.last_error = []() -> std::uint32_t { return 0; };
  os.module_file_name = []() -> std::filesystem::path { return g_dir / "QuorvaneIR.so"; };
  os.append_to_file = [](const std::filesystem::path&, std::string_view) { return true; };
  os.truncate_file = [](const std::filesystem::path&) { return true; };
  os.new_http_exchange = []() -> std::unique_ptr<platform::HttpExchange> {
    return std::make_unique<ScriptedExchange>();
  };
  platform::InstallOs(os);
  return g_dir;
}

void SetReply(std::uint32_t status_code, std::string_view body, std::uint32_t chunk) {
  CurrentReply() = Reply{status_code, std::string(body), chunk == 0 ? 1 : chunk};
}

}  // namespace qir::fuzz
