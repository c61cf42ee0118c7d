#include "check_os.h"

#include <memory>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "net/auth_headers.h"
#include "platform/http_exchange.h"
#include "platform/os.h"

namespace qir::host {
namespace {

CheckOs* g_check = nullptr;

// The value of one header line of a CR LF separated block: [start, end) of it.
struct HeaderValue {
  std::size_t line = std::u16string::npos;  // where the line starts
  std::size_t start = 0;
  std::size_t end = 0;
};

HeaderValue FindHeader(const std::u16string& block, std::u16string_view name) {
  for (std::size_t line = 0; line < block.size();) {
    const std::size_t end = block.find(u"\r\n", line);
    const std::size_t stop = end == std::u16string::npos ? block.size() : end;
    if (block.compare(line, name.size(), name) == 0 && block.compare(line + name.size(), 2, u": ") == 0) {
      return {line, line + name.size() + 2, stop};
    }
    line = stop + 2;
  }
  return {};
}

// ASCII of the header values the plugin writes (digits and hexadecimal digits).
std::string Narrow(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

std::u16string Widen(std::string_view text) { return {text.begin(), text.end()}; }

std::u16string Edited(const std::u16string& headers, SignatureEdit edit, const std::string& key) {
  const HeaderValue signature = FindHeader(headers, u"x-signature");
  if (edit == SignatureEdit::None || signature.line == std::u16string::npos) return headers;
  std::u16string out = headers;
  if (edit == SignatureEdit::Removed) {
    out.erase(signature.line, signature.end + 2 - signature.line);
    return out;
  }
  const HeaderValue timestamp = FindHeader(headers, u"x-timestamp");
  const std::string message =
      Narrow(std::u16string_view(headers).substr(timestamp.start, timestamp.end - timestamp.start)) +
      ".altered on the way";
  const std::string other = HmacSha256Hex(key.data(), key.size(), message.data(), message.size());
  out.replace(signature.start, signature.end - signature.start, Widen(other));
  return out;
}

}  // namespace

// The system's exchange, with the check's edit applied and its answer noted.
class EditingExchange final : public platform::HttpExchange {
 public:
  EditingExchange(std::unique_ptr<platform::HttpExchange> inner, CheckOs& check)
      : inner_(std::move(inner)), check_(check) {
    check_.last_ = SeenExchange{};
  }

  bool Open(const std::u16string& agent) override { return inner_->Open(agent); }
  bool SetProtocolOptions() override { return inner_->SetProtocolOptions(); }
  bool Connect(const std::u16string& host, std::uint16_t port) override {
    return inner_->Connect(host, port);
  }
  bool OpenRequest(std::u16string_view verb, const std::u16string& target,
                   std::uint32_t flags) override {
    return inner_->OpenRequest(verb, target, flags);
  }
  void SetDecompression() override { inner_->SetDecompression(); }
  bool Send(const std::u16string& headers, std::string_view body,
            std::size_t response_body_limit) override {
    return inner_->Send(Edited(headers, check_.edit_, check_.edit_key_), body,
                        response_body_limit);
  }
  bool Receive() override { return inner_->Receive(); }
  std::uint32_t StatusCode() override {
    const std::uint32_t code = inner_->StatusCode();
    check_.last_.answered = code != 0;
    check_.last_.status_code = code;
    check_.last_.announced = inner_->ContentLength();
    return code;
  }
  bool QueryDataAvailable(std::uint32_t* available) override {
    return inner_->QueryDataAvailable(available);
  }
  bool ReadData(char* buffer, std::uint32_t size, std::uint32_t* read) override {
    const bool ok = inner_->ReadData(buffer, size, read);
    if (ok) check_.last_.body.append(buffer, *read);
    return ok;
  }
  std::optional<std::uint64_t> ContentLength() override { return inner_->ContentLength(); }
  bool TakeBody(std::string& body, std::size_t limit) override {
    if (!inner_->TakeBody(body, limit)) return false;
    check_.last_.body = body;
    return true;
  }
  std::uint32_t last_error() const override { return inner_->last_error(); }

 private:
  std::unique_ptr<platform::HttpExchange> inner_;
  CheckOs& check_;
};

// The table's entries: plain functions, so they reach the check through g_check.
struct CheckOsCalls {
  static std::int64_t WallClock() {
    if (g_check->fixed_clock_) return *g_check->fixed_clock_;
    return platform::SystemOs().wall_clock_seconds() + g_check->clock_offset_;
  }
  static std::filesystem::path ModuleFileName() { return g_check->plugin_; }
  static bool Append(const std::filesystem::path&, std::string_view bytes) {
    g_check->log_.append(bytes);
    return true;
  }
  static bool Truncate(const std::filesystem::path&) { return true; }
  static std::unique_ptr<platform::HttpExchange> NewExchange() {
    return std::make_unique<EditingExchange>(platform::SystemOs().new_http_exchange(), *g_check);
  }
};

CheckOs::CheckOs(std::filesystem::path plugin) : plugin_(std::move(plugin)) {
  if (g_check != nullptr) throw std::logic_error("one CheckOs at a time");
  g_check = this;
  platform::Os os = platform::SystemOs();
  os.wall_clock_seconds = &CheckOsCalls::WallClock;
  os.module_file_name = &CheckOsCalls::ModuleFileName;
  os.append_to_file = &CheckOsCalls::Append;
  os.truncate_file = &CheckOsCalls::Truncate;
  os.new_http_exchange = &CheckOsCalls::NewExchange;
  platform::InstallOs(os);
}

CheckOs::~CheckOs() {
  platform::InstallOs(platform::SystemOs());
  g_check = nullptr;
}

std::string CheckOs::TakeLog() { return std::exchange(log_, {}); }

}  // namespace qir::host
