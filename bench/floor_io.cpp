#include "floor_io.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "bench_support.h"
#include "platform/os.h"

namespace qir::bench {
namespace {

constexpr off_t kRotateAboveBytes = 2'097'152;

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

FloorLog::FloorLog(std::filesystem::path path)
    : path_(path.string()), old_path_(path.string() + ".old") {}

void FloorLog::Start() {
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
  Line("INFO", "session_start");
}

void FloorLog::Line(std::string_view level, std::string_view event, std::string_view detail) {
  struct stat info {};
  if (::stat(path_.c_str(), &info) == 0 && info.st_size > kRotateAboveBytes) {
    ::unlink(old_path_.c_str());
    ::rename(path_.c_str(), old_path_.c_str());
  }
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char line[512];
  int n = std::snprintf(line, sizeof line, "%04d-%02d-%02d %02d:%02d:%02d | %.*s | %.*s",
                        tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                        tm.tm_sec, static_cast<int>(level.size()), level.data(),
                        static_cast<int>(event.size()), event.data());
  if (!detail.empty()) {
    n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), " | %.*s",
                       static_cast<int>(detail.size()), detail.data());
  }
  line[n++] = '\n';
  const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  WriteAll(fd, std::string_view(line, static_cast<std::size_t>(n)));
  ::close(fd);
}

std::string FloorReadKey(const std::filesystem::path& path) {
  std::string key = ReadWholeFile(path);
  while (!key.empty() && (key.back() == '\n' || key.back() == '\r')) key.pop_back();
  return key;
}

std::string FloorReadPlayerId(const std::filesystem::path& path) {
  const std::string config = ReadWholeFile(path);
  const std::size_t open = config.find("<id>");
  const std::size_t close = config.find("</id>", open);
  if (open == std::string::npos || close == std::string::npos) return {};
  return config.substr(open + 4, close - open - 4);
}

bool FloorQueryBest(const std::string& database, const std::string& hash, PreviousBest& best) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return false;
  }
  sqlite3_stmt* statement = nullptr;
  bool found = false;
  if (sqlite3_prepare_v2(db, kPreviousBestQuery, -1, &statement, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(statement, 1, hash.c_str(), static_cast<int>(hash.size()), SQLITE_STATIC);
    if (sqlite3_step(statement) == SQLITE_ROW) {
      std::int32_t* const columns[] = {
          &best.clear,      &best.perfect,    &best.great,    &best.good,     &best.bad,
          &best.poor,       &best.totalnotes, &best.maxcombo, &best.minbp,    &best.playcount,
          &best.clearcount, &best.failcount,  &best.rank,     &best.rate,     &best.clear_db,
          &best.clear_sd,   &best.clear_ex,   &best.op_best,  &best.rseed,
      };
      int index = 0;
      for (std::int32_t* column : columns) *column = sqlite3_column_int(statement, index++);
      const auto* ghost = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
      if (ghost != nullptr) {
        best.ghost.assign(ghost, static_cast<std::size_t>(sqlite3_column_bytes(statement, index)));
      }
      found = true;
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return found;
}

std::string FloorSign(std::string_view key, std::string_view payload) {
  std::string message = std::to_string(static_cast<long long>(std::time(nullptr)));
  message += '.';
  message.append(payload);
  const auto digest = platform::HmacSha256(key, message);
  std::string hex;
  if (!digest) return hex;
  static constexpr char kDigits[] = "0123456789abcdef";
  hex.reserve(64);
  for (const std::uint8_t byte : *digest) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 15]);
  }
  return hex;
}

}  // namespace qir::bench
