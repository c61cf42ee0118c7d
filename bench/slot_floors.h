// The floors of the slots, around their exchange: what each slot must do before the
// request and after the reply, done directly (floor_io.h). The in-process floors take
// the reply from memory, the floors over HTTPS from a bare libcurl request.
#ifndef QUORVANE_BENCH_SLOT_FLOORS_H
#define QUORVANE_BENCH_SLOT_FLOORS_H

#include <filesystem>
#include <string>
#include <string_view>

#include "QuorvaneIR.h"
#include "floor_io.h"

namespace qir::bench {

class SlotFloors {
 public:
  // root as LayOut makes it; the floor's log and cache go to root/floor. The host's
  // files are read relative to the current directory, as the plugin reads them.
  explicit SlotFloors(const std::filesystem::path& root);

  // The log emptied and "session_start"; the key read; "login_fetch"; one HMAC.
  void LoginBefore();
  // The reply parsed, "logged_in" read; "login_fetch_done" and "login_done".
  void LoginAfter(std::string_view reply);

  // The key read; "ghost_fetch"; one HMAC over the query.
  void GhostBefore(const std::string& query);
  // The reply parsed into the ghost record; "ghost_fetch_done".
  void GhostAfter(std::string_view reply);

  // The key and config.xml read, the stored best queried, "db_query", the document
  // built and dumped, "http_begin", one HMAC over it. Gives the document.
  std::string SubmitBefore(const IRPlayResult& play);
  // "http_done"; the chart's cache file deleted.
  void SubmitAfter();

  // The key read; "board_fetch"; one HMAC over the query.
  void BoardBefore(const std::string& query);
  // nlohmann parses the reply; "board_fetch_done"; the cache file's bytes written.
  void BoardAfter(std::string_view reply, std::string_view cache_bytes);
  // Only the last two of BoardAfter: the parse and the cache file.
  void ParseAndCache(std::string_view reply, std::string_view cache_bytes);

 private:
  std::filesystem::path key_;
  std::filesystem::path config_;
  std::filesystem::path cache_;
  FloorLog log_;
  std::string api_key_;
  IRGhostResult ghost_;
};

}  // namespace qir::bench

#endif
