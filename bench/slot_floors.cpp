#include "slot_floors.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "bench_support.h"
#include "submit/score_payload.h"

namespace qir::bench {

using nlohmann::json;

SlotFloors::SlotFloors(const std::filesystem::path& root)
    : key_(root / "plugin" / "key.txt"),
      config_(std::filesystem::path("LR2files") / "Config" / "config.xml"),
      cache_(root / "floor" / "IR" / (std::string(kHash) + ".json")),
      log_(root / "floor" / "debug.log") {
  std::filesystem::create_directories(cache_.parent_path());
}

void SlotFloors::LoginBefore() {
  log_.Start();
  api_key_ = FloorReadKey(key_);
  log_.Line("INFO", "login_fetch", "endpoint=login port=49443 secure=1 query_len=0");
  benchmark::DoNotOptimize(FloorSign(api_key_, {}));
}

void SlotFloors::LoginAfter(std::string_view reply) {
  const json document = json::parse(reply);
  const auto it = document.find("logged_in");
  const bool logged_in = it != document.end() && it->is_boolean() && it->get<bool>();
  log_.Line("INFO", "login_fetch_done", "status_code=200 mapped_status=Ok body_size=39");
  log_.Line("INFO", "login_done", logged_in ? "logged_in=1" : "logged_in=0");
}

void SlotFloors::GhostBefore(const std::string& query) {
  api_key_ = FloorReadKey(key_);
  log_.Line("INFO", "ghost_fetch", "endpoint=ghost port=49443 secure=1 query_len=78");
  benchmark::DoNotOptimize(FloorSign(api_key_, query));
}

void SlotFloors::GhostAfter(std::string_view reply) {
  const json document = json::parse(reply);
  ghost_.display_name = document.at("display_name").get<std::string>();
  ghost_.ghost_data = document.at("ghost_data").get<std::string>();
  const auto packed = document.at("option_packed").get<std::int32_t>();
  ghost_.option_main = packed % 10 + 1;
  ghost_.option_pair[0] = packed / 10 % 10;
  ghost_.option_pair[1] = packed / 100 % 10;
  ghost_.option_flag = packed / 1000 % 10 != 0;
  ghost_.random_seed = document.at("random_seed").get<std::int32_t>();
  ghost_.average_exscore = document.at("average_exscore").get<std::int32_t>();
  benchmark::DoNotOptimize(&ghost_);
  log_.Line("INFO", "ghost_fetch_done", "status_code=200 mapped_status=Ok body_size=2135");
}

std::string SlotFloors::SubmitBefore(const IRPlayResult& play) {
  api_key_ = FloorReadKey(key_);
  const std::string player_id = FloorReadPlayerId(config_);
  PreviousBest best;
  const bool found = FloorQueryBest(ScoreDatabasePath(player_id).string(), play.hash, best);
  log_.Line("INFO", "db_query", found ? "result=ok hash8=01234567" : "result=no_row");
  std::string body = BuildScorePayload(play, play.ghost, true, found ? &best : nullptr);
  log_.Line("INFO", "http_begin",
            "endpoint=chart_score port=49443 secure=1 body_size=" + std::to_string(body.size()));
  benchmark::DoNotOptimize(FloorSign(api_key_, body));
  return body;
}

void SlotFloors::SubmitAfter() {
  log_.Line("INFO", "http_done", "status_code=200 mapped_status=Ok");
  ::unlink(cache_.c_str());
}

void SlotFloors::BoardBefore(const std::string& query) {
  api_key_ = FloorReadKey(key_);
  log_.Line("INFO", "board_fetch", "endpoint=chart port=49443 secure=1 query_len=71");
  benchmark::DoNotOptimize(FloorSign(api_key_, query));
}

void SlotFloors::BoardAfter(std::string_view reply, std::string_view cache_bytes) {
  const json document = json::parse(reply);
  benchmark::DoNotOptimize(&document);
  log_.Line("INFO", "board_fetch_done", "status_code=200 mapped_status=Ok body_size=262144");
  WriteWholeFile(cache_, cache_bytes);
}

void SlotFloors::ParseAndCache(std::string_view reply, std::string_view cache_bytes) {
  const json document = json::parse(reply);
  benchmark::DoNotOptimize(&document);
  WriteWholeFile(cache_, cache_bytes);
}

}  // namespace qir::bench
