// The operating system as `quorvane-host check-server` gives it to the plugin's own
// code: key.txt and the ranking cache beside the plugin, log lines kept in memory, a
// clock the checks may set, and the system's HTTP transport, whose signed header block
// a check may alter before a request goes out, with every answer noted.
#ifndef QUORVANE_HOST_CHECK_OS_H
#define QUORVANE_HOST_CHECK_OS_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace qir::host {

enum class SignatureEdit {
  None,
  OtherPayload,  // the signature of another payload, as an altered request carries
  Removed,       // no x-signature line at all
};

// What the latest exchange got back.
struct SeenExchange {
  bool answered = false;  // a status line came back
  std::uint32_t status_code = 0;
  std::optional<std::uint64_t> announced;  // the reply's Content-Length
  std::string body;                        // as the plugin read it
};

// Installs itself as the operating system for the plugin's code while it lives; one at
// a time.
class CheckOs {
 public:
  explicit CheckOs(std::filesystem::path plugin);
  ~CheckOs();
  CheckOs(const CheckOs&) = delete;
  CheckOs& operator=(const CheckOs&) = delete;

  // The log lines written since the last call.
  std::string TakeLog();
  const SeenExchange& last() const { return last_; }

  // Requests are signed at the system's time plus offset, or at one fixed second.
  void SetClockOffset(std::int64_t seconds) { clock_offset_ = seconds; }
  void FixClock(std::optional<std::int64_t> second) { fixed_clock_ = second; }
  // Back to the system's clock and unaltered requests.
  void ClearEdits() {
    clock_offset_ = 0;
    fixed_clock_.reset();
    SetSignatureEdit(SignatureEdit::None);
  }
  // OtherPayload signs with key, as the request itself is signed.
  void SetSignatureEdit(SignatureEdit edit, std::string key = {}) {
    edit_ = edit;
    edit_key_ = std::move(key);
  }

 private:
  friend class EditingExchange;
  friend struct CheckOsCalls;

  std::filesystem::path plugin_;
  std::string log_;
  SeenExchange last_;
  std::int64_t clock_offset_ = 0;
  std::optional<std::int64_t> fixed_clock_;
  SignatureEdit edit_ = SignatureEdit::None;
  std::string edit_key_;
};

}  // namespace qir::host

#endif
