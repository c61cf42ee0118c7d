// HMAC-SHA256 through CNG (bcrypt.dll). Every handle and buffer is released on
// every path; any failing call yields nothing.
#include "platform/os.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <bcrypt.h>

#include <vector>

#ifndef NT_SUCCESS
#define NT_SUCCESS(status) (static_cast<NTSTATUS>(status) >= 0)
#endif

namespace qir::platform {

namespace {

// Closes what was opened, in reverse order, whichever way the computation ends. The
// buffers are members so that they outlive the hash that lives in `object`.
struct HmacHandles {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::vector<UCHAR> object;
  std::vector<UCHAR> digest;
  ~HmacHandles() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  }
};

bool GetDwordProperty(BCRYPT_ALG_HANDLE algorithm, LPCWSTR name, DWORD* value) {
  ULONG written = 0;
  const NTSTATUS status = BCryptGetProperty(algorithm, name, reinterpret_cast<PUCHAR>(value),
                                            sizeof(*value), &written, 0);
  return NT_SUCCESS(status);
}

}  // namespace

std::optional<std::array<std::uint8_t, 32>> HmacSha256(std::string_view key,
                                                       std::string_view message) {
  HmacHandles handles;
  if (!NT_SUCCESS(BCryptOpenAlgorithmProvider(&handles.algorithm, BCRYPT_SHA256_ALGORITHM,
                                              nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
    handles.algorithm = nullptr;
    return std::nullopt;
  }

  DWORD object_length = 0;
  DWORD digest_length = 0;
  if (!GetDwordProperty(handles.algorithm, BCRYPT_OBJECT_LENGTH, &object_length) ||
      !GetDwordProperty(handles.algorithm, BCRYPT_HASH_LENGTH, &digest_length)) {
    return std::nullopt;
  }
  std::array<std::uint8_t, 32> result{};
  if (digest_length != result.size()) return std::nullopt;

  handles.object.resize(object_length);
  handles.digest.resize(digest_length);

  // CNG wants a readable secret pointer even for an empty key.
  static UCHAR empty_key = 0;
  PUCHAR secret = key.empty() ? &empty_key
                              : reinterpret_cast<PUCHAR>(const_cast<char*>(key.data()));
  if (!NT_SUCCESS(BCryptCreateHash(handles.algorithm, &handles.hash, handles.object.data(),
                                   object_length, secret, static_cast<ULONG>(key.size()), 0))) {
    handles.hash = nullptr;
    return std::nullopt;
  }

  static UCHAR empty_message = 0;
  PUCHAR input = message.empty()
                     ? &empty_message
                     : reinterpret_cast<PUCHAR>(const_cast<char*>(message.data()));
  if (!NT_SUCCESS(BCryptHashData(handles.hash, input, static_cast<ULONG>(message.size()), 0))) {
    return std::nullopt;
  }
  if (!NT_SUCCESS(BCryptFinishHash(handles.hash, handles.digest.data(), digest_length, 0))) {
    return std::nullopt;
  }

  for (std::size_t i = 0; i < result.size(); ++i) result[i] = handles.digest[i];
  return result;
}

}  // namespace qir::platform
