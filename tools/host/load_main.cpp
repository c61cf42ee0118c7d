// quorvane-load: one host process calling every slot of the plugin from several
// threads at once, as a busy host would. Prints what came back as one JSON object.
//
//   quorvane-load --plugin PATH --hash HASH --play PLAY.json [--threads N] [--rounds N]
//                 [--pad-log BYTES] [--warm-up ROUNDS]
//
// --pad-log stands for a session that has already run a while: after a first login
// has started the log, that many bytes of filler lines are added to it, so the load
// carries it over the rotation threshold.
//
// --warm-up makes it a long session of one thread: after that many rounds, and again
// at the end, the process's resident memory, heap in use and open descriptors or
// handles are sampled, so that what a call leaks shows as growth between the two.
#include <array>
#include <optional>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "QuorvaneIR.h"
#include "decimal.h"
#include "platform/dynamic_library.h"
#include "platform/process_usage.h"
#include "platform/program_arguments.h"
#include "play_json.h"
#include "records_json.h"
#include "utf8_path.h"

namespace {

using nlohmann::json;

struct Options {
  std::string plugin;
  std::string hash;
  std::string play_file;
  int threads = 8;
  int rounds = 500;
  long pad_log = 0;
  int warm_up = 0;
};

// Counts per slot and result; a cached board is recorded by its row count so torn
// reads would show up as odd sizes.
struct Tally {
  std::mutex mutex;
  std::map<std::string, std::map<std::string, int>> results;
  std::map<std::string, int> cached_rows;
  int invalid_results = 0;

  void Add(const std::string& slot, const std::string& result) {
    const std::lock_guard<std::mutex> lock(mutex);
    ++results[slot][result];
  }
};

bool ValidSlotResult(std::int32_t result) { return result >= 0 && result <= 2; }

void Round(const MethodTable& table, const Options& options, const IRPlayResult& play,
           Tally& tally) {
  const char* hash = options.hash.c_str();
  auto record = [&](const char* slot, std::int32_t result) {
    if (!ValidSlotResult(result)) {
      const std::lock_guard<std::mutex> lock(tally.mutex);
      ++tally.invalid_results;
    }
    tally.Add(slot, std::to_string(result));
  };

  tally.Add("name", table.GetPluginName() == nullptr ? "null" : table.GetPluginName());
  tally.Add("page-url", std::to_string(table.GetRankingPageUrl(hash).size()));
  tally.Add("login", table.Login() ? "true" : "false");
  record("submit", table.SubmitScore(&play));
  {
    IRRankResult board;
    record("rank", table.GetRank(hash, 0, &board));
  }
  {
    IRRankResult board;
    const std::int32_t result = table.GetRankCached(hash, 0, &board);
    record("rank-cached", result);
    if (result == 0) {
      const std::lock_guard<std::mutex> lock(tally.mutex);
      const bool whole = board.player_count == static_cast<std::int32_t>(board.entries.size());
      ++tally.cached_rows[std::to_string(board.entries.size()) + (whole ? "" : " torn")];
    }
  }
  IRGhostResult ghost;
  record("ghost", table.GetGhost(hash, GhostMode::Top, 0, &ghost));
}

// A whole decimal number, nothing before or after it.
template <typename Number>
bool ParseNumber(const std::string& text, Number* out) {
  const std::optional<Number> value = qir::host::ParseDecimal<Number>(text);
  if (value) *out = *value;
  return value.has_value();
}

// As ParseNumber, and no smaller than minimum.
template <typename Number>
bool ParseAtLeast(const std::string& text, Number minimum, Number* out) {
  return ParseNumber(text, out) && *out >= minimum;
}

json UsageJson(const std::optional<qir::platform::ProcessUsage>& usage) {
  if (!usage) return nullptr;
  return {{"resident_bytes", usage->resident_bytes},
          {"heap_bytes", usage->heap_bytes},
          {"handles", usage->handles}};
}

int Usage(const char* message) {
  std::fprintf(stderr,
               "quorvane-load: %s\nusage: quorvane-load --plugin PATH --hash HASH "
               "--play PLAY.json [--threads N] [--rounds N] [--pad-log BYTES] [--warm-up ROUNDS]\n",
               message);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = qir::platform::ProgramArguments(argc, argv);
  Options options;
  for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::string& flag = args[i];
    const std::string& value = args[i + 1];
    if (flag == "--plugin") {
      options.plugin = value;
    } else if (flag == "--hash") {
      options.hash = value;
    } else if (flag == "--play") {
      options.play_file = value;
    } else if (flag == "--threads") {
      if (!ParseAtLeast(value, 1, &options.threads)) {
        return Usage(("bad --threads (at least 1): " + value).c_str());
      }
    } else if (flag == "--rounds") {
      if (!ParseAtLeast(value, 1, &options.rounds)) {
        return Usage(("bad --rounds (at least 1): " + value).c_str());
      }
    } else if (flag == "--pad-log") {
      if (!ParseAtLeast(value, 0L, &options.pad_log)) {
        return Usage(("bad --pad-log (0 or more): " + value).c_str());
      }
    } else if (flag == "--warm-up") {
      if (!ParseAtLeast(value, 1, &options.warm_up)) {
        return Usage(("bad --warm-up (at least 1): " + value).c_str());
      }
    } else {
      return Usage("unknown option");
    }
  }
  if (args.size() % 2 != 0 || options.plugin.empty() || options.hash.empty() ||
      options.play_file.empty()) {
    return Usage("missing options");
  }
  if (options.warm_up != 0 && (options.threads != 1 || options.warm_up >= options.rounds)) {
    return Usage("--warm-up needs --threads 1 and fewer warm-up rounds than --rounds");
  }

  auto play = std::make_unique<IRPlayResult>();
  try {
    std::ifstream in(qir::host::Utf8Path(options.play_file), std::ios::binary);
    qir::host::ReadPlay(json::parse(in), *play);
  } catch (const std::exception& e) {
    return Usage(e.what());
  }

  std::string error;
  const auto library =
      qir::platform::LoadDynamicLibrary(qir::host::Utf8Path(options.plugin), &error);
  if (!library) return Usage(error.c_str());
  const auto get_method_table =
      reinterpret_cast<GetMethodTableFn>(library->Symbol("GetMethodTable"));
  if (get_method_table == nullptr) return Usage("no GetMethodTable");
  MethodTable table{};
  get_method_table(&table);

  if (options.pad_log > 0) {
    table.Login();
    const auto log_path = qir::host::Utf8Path(options.plugin).parent_path() / "debug.log";
    std::ofstream log(log_path, std::ios::binary | std::ios::app);
    const std::string line = "2026-01-01 00:00:00 | INFO | load_padding\n";
    for (long written = 0; written < options.pad_log; written += static_cast<long>(line.size())) {
      log << line;
    }
  }

  Tally tally;
  std::optional<qir::platform::ProcessUsage> after_warm_up;
  std::vector<std::thread> threads;
  for (int t = 0; t < options.threads; ++t) {
    threads.emplace_back([&] {
      for (int r = 0; r < options.rounds; ++r) {
        Round(table, options, *play, tally);
        if (r + 1 == options.warm_up) after_warm_up = qir::platform::CurrentProcessUsage();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  json output = {{"results", tally.results},
                 {"cached_rows", tally.cached_rows},
                 {"invalid_results", tally.invalid_results}};
  if (options.warm_up != 0) {
    output["usage"] = {{"after_warm_up", UsageJson(after_warm_up)},
                       {"at_end", UsageJson(qir::platform::CurrentProcessUsage())}};
  }
  std::cout << output.dump() << std::endl;
  return 0;
}
