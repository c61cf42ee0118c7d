// End to end over HTTPS: each network slot of the plugin library, loaded and called
// as the host calls it, against its floor: a bare libcurl request with the same
// method, headers and body on a fresh connection to the same server, and around it
// what the slot cannot skip. GetRank's floor adds nlohmann's parse of the reply and
// the bytes of the plugin's cache file written (open, write, close); the floors of
// Login, GetGhost and SubmitScore add the files, log lines, signing and parsing of
// their in-process floors (slot_floors.h).
//
// Plugin and floor run in one process, one call after another, so both meet a warm
// heap only when the allocator keeps what they free: scripts/bench runs this with
// glibc's trimming and mmap threshold set high (MALLOC_TRIM_THRESHOLD_,
// MALLOC_MMAP_THRESHOLD_).
//
//   quorvane_bench_net --root DIR [Google Benchmark flags]
//
// DIR as quorvane_bench_layout lays it out, with the plugin library copied into
// DIR/plugin. The server answers at the host and port the plugin was built for
// (scripts/bench starts it). Names pair up as "net/SLOT/plugin" and "net/SLOT/floor".
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstring>
#include <functional>
#include <iostream>
#include <vector>

#include "bench_support.h"
#include "ghost/ghost_fetch.h"
#include "net/auth_headers.h"
#include "net/endpoints.h"
#include "plugin_library.h"
#include "slot_floors.h"
#include "quorvane_build_config.h"
#include "ranking/board_fetch.h"
#include "submit/score_payload.h"

namespace qir::bench {
namespace {

std::string Narrow(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

// A request as the plugin's transport would put it on the wire, signed once.
class BareRequest {
 public:
  BareRequest(std::u16string_view path, std::string query, std::string body, bool post)
      : post_(post), body_(std::move(body)) {
    url_ = "https://" QUORVANE_IR_HOST ":" + std::to_string(QUORVANE_IR_PORT) + Narrow(path);
    if (!query.empty()) url_ += "?" + query;
    agent_ = Narrow(UserAgent());
    const std::string& signed_part = post_ ? body_ : query;
    const std::string key = kApiKey;
    const std::string block = Narrow(
        BuildAuthHeaders(key.data(), key.size(), signed_part.data(), signed_part.size()));
    for (std::size_t start = 0; start < block.size();) {
      std::size_t end = block.find("\r\n", start);
      if (end == std::string::npos) end = block.size();
      if (end > start) headers_ = curl_slist_append(headers_, block.substr(start, end - start).c_str());
      start = end + 2;
    }
    headers_ = curl_slist_append(headers_, "Accept:");
    headers_ = curl_slist_append(headers_, "Expect:");
  }
  ~BareRequest() { curl_slist_free_all(headers_); }
  BareRequest(const BareRequest&) = delete;
  BareRequest& operator=(const BareRequest&) = delete;

  // The status code; 0 when the transfer failed.
  long Perform(std::string& reply) const {
    reply.clear();
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return 0;
    curl_easy_setopt(curl, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent_.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    if (std::strlen(QUORVANE_IR_CA_FILE) > 0) curl_easy_setopt(curl, CURLOPT_CAINFO, QUORVANE_IR_CA_FILE);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers_);
    if (post_) {
      curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
      curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body_.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    long status = 0;
    if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    return status;
  }

 private:
  static std::size_t Append(char* data, std::size_t size, std::size_t count, void* reply) {
    static_cast<std::string*>(reply)->append(data, size * count);
    return size * count;
  }

  bool post_;
  std::string body_;
  std::string url_;
  std::string agent_;
  curl_slist* headers_ = nullptr;
};

// The floor: what the slot must do before the request, the bare request, and what
// it must do with the reply.
void Floor(benchmark::State& state, const BareRequest& request, std::size_t reply_size,
           const std::function<void()>& before,
           const std::function<void(const std::string&)>& after) {
  std::string reply;
  if (request.Perform(reply) != 200 || reply.size() != reply_size) {
    state.SkipWithError("the server did not give the expected reply");
    return;
  }
  for (auto _ : state) {
    before();
    benchmark::DoNotOptimize(request.Perform(reply));
    after(reply);
  }
}

}  // namespace
}  // namespace qir::bench

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace qir::bench;
  benchmark::Initialize(&argc, argv);
  fs::path root;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
      root = argv[++i];
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  if (root.empty()) {
    std::cerr << "usage: quorvane_bench_net --root DIR [benchmark flags]\n";
    return 2;
  }
  curl_global_init(CURL_GLOBAL_DEFAULT);

  const fs::path absolute_root = fs::absolute(root);
  PluginLibrary plugin;
  try {
    plugin = LoadPlugin(fs::absolute(root));
  } catch (const std::exception& e) {
    std::cerr << "quorvane_bench_net: " << e.what() << '\n';
    return 1;
  }
  const MethodTable& table = plugin.table;
  const auto play = Play();
  const qir::PreviousBest best = StoredBest();

  const BareRequest board(qir::EndpointPath(qir::Endpoint::ChartBoard), qir::BoardQuery(kHash), {},
                          false);
  const std::string ghost_query = qir::GhostQuery(kHash, GhostMode::Top, 0);
  const BareRequest ghost(qir::EndpointPath(qir::Endpoint::ChartGhost), ghost_query, {}, false);
  const BareRequest login(qir::EndpointPath(qir::Endpoint::IrLogin), {}, {}, false);
  const BareRequest score(qir::EndpointPath(qir::Endpoint::ChartScore), {},
                          qir::BuildScorePayload(*play, play->ghost, true, &best), true);

  SlotFloors floors(absolute_root);
  const auto unit = benchmark::kMillisecond;
  benchmark::RegisterBenchmark("net/GetRank/plugin", [&](benchmark::State& state) {
    IRRankResult result;
    if (table.GetRank(kHash, 0, &result) != 0 || result.entries.size() != kBoardRows) {
      state.SkipWithError("GetRank did not give the board");
      return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(table.GetRank(kHash, 0, &result));
  })->UseRealTime()->Unit(unit);
  benchmark::RegisterBenchmark("net/GetRank/floor", [&](benchmark::State& state) {
    IRRankResult result;
    table.GetRank(kHash, 0, &result);
    const std::string cache_bytes =
        ReadWholeFile(absolute_root / "plugin" / "IR" / (std::string(kHash) + ".json"));
    if (cache_bytes.empty()) {
      state.SkipWithError("the plugin left no cache file");
      return;
    }
    Floor(state, board, BoardReply().size(), [] {},
          [&](const std::string& reply) { floors.ParseAndCache(reply, cache_bytes); });
  })->UseRealTime()->Unit(unit);

  benchmark::RegisterBenchmark("net/GetGhost/plugin", [&](benchmark::State& state) {
    IRGhostResult result;
    if (table.GetGhost(kHash, GhostMode::Top, 0, &result) != 0 || result.ghost_data.empty()) {
      state.SkipWithError("GetGhost did not give the ghost");
      return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(table.GetGhost(kHash, GhostMode::Top, 0, &result));
  })->UseRealTime()->Unit(unit);
  benchmark::RegisterBenchmark("net/GetGhost/floor", [&](benchmark::State& state) {
    Floor(state, ghost, GhostReply().size(), [&] { floors.GhostBefore(ghost_query); },
          [&](const std::string& reply) { floors.GhostAfter(reply); });
  })->UseRealTime()->Unit(unit);

  benchmark::RegisterBenchmark("net/Login/plugin", [&](benchmark::State& state) {
    if (!table.Login()) {
      state.SkipWithError("Login failed");
      return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(table.Login());
  })->UseRealTime()->Unit(unit);
  benchmark::RegisterBenchmark("net/Login/floor", [&](benchmark::State& state) {
    Floor(state, login, LoginReply().size(), [&] { floors.LoginBefore(); },
          [&](const std::string& reply) { floors.LoginAfter(reply); });
  })->UseRealTime()->Unit(unit);

  benchmark::RegisterBenchmark("net/SubmitScore/plugin", [&](benchmark::State& state) {
    if (table.SubmitScore(play.get()) != 0) {
      state.SkipWithError("SubmitScore failed");
      return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(table.SubmitScore(play.get()));
  })->UseRealTime()->Unit(unit);
  benchmark::RegisterBenchmark("net/SubmitScore/floor", [&](benchmark::State& state) {
    Floor(state, score, ScoreReply().size(),
          [&] { benchmark::DoNotOptimize(floors.SubmitBefore(*play)); },
          [&](const std::string&) { floors.SubmitAfter(); });
  })->UseRealTime()->Unit(unit);

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  curl_global_cleanup();
  return 0;
}
