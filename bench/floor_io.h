// The input and output every slot is bound to, done directly: the same system calls
// as the plugin makes for it and no other work. The floors of the in-process
// benchmarks are built from these.
#ifndef QUORVANE_BENCH_FLOOR_IO_H
#define QUORVANE_BENCH_FLOOR_IO_H

#include <filesystem>
#include <string>
#include <string_view>

#include "host/score_database.h"

namespace qir::bench {

// A log file written as the plugin must write its log: before each line a size query
// (and the rotation above 2 MiB), the local time, then open for appending, one write,
// close.
class FloorLog {
 public:
  explicit FloorLog(std::filesystem::path path);
  // What the first login of a process does: empty the file, then "session_start".
  void Start();
  void Line(std::string_view level, std::string_view event, std::string_view detail = {});

 private:
  std::string path_;
  std::string old_path_;
};

// key.txt: open, read, close; the key less a trailing line break.
std::string FloorReadKey(const std::filesystem::path& path);
// config.xml: open, read, close; the text of its <id> element.
std::string FloorReadPlayerId(const std::filesystem::path& path);
// The score database opened read-only, the previous-best query prepared, bound and
// stepped once, the row read, the statement finalized and the database closed.
bool FloorQueryBest(const std::string& database, const std::string& hash, PreviousBest& best);
// One HMAC-SHA256 over "{timestamp}.{payload}" under the key, as 64 hex digits.
std::string FloorSign(std::string_view key, std::string_view payload);

}  // namespace qir::bench

#endif
