// quorvane-host: stands in for the game host. Loads the plugin, fills the method
// table and calls one slot, printing the result as one JSON object.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "QuorvaneIR.h"
#include "check_server.h"
#include "command_line.h"
#include "explain.h"
#include "net/endpoints.h"
#include "platform/dynamic_library.h"
#include "platform/program_arguments.h"
#include "play_json.h"
#include "records_json.h"
#include "utf8_path.h"

namespace {

using nlohmann::json;
using qir::host::Command;

int UsageError(const std::string& message) {
  std::fprintf(stderr, "quorvane-host: %s\n", message.c_str());
  return 2;
}

std::filesystem::path PluginPath(const Command& command) {
  if (!command.plugin.empty()) return qir::host::Utf8Path(command.plugin);
  return qir::platform::RunningExecutable().parent_path() / QUORVANE_PLUGIN_FILE_NAME;
}

const char* HashArgument(const Command& command) {
  return command.hash ? command.hash->c_str() : nullptr;
}

json RunSlot(const MethodTable& table, const Command& command, const IRPlayResult* play) {
  if (command.name == "name") return {{"name", table.GetPluginName()}};
  if (command.name == "template") return {{"template", table.RankingPageTemplate}};
  if (command.name == "page-url") return {{"url", table.GetRankingPageUrl(HashArgument(command))}};
  if (command.name == "login") return {{"logged_in", table.Login()}};
  if (command.name == "submit") return {{"result", table.SubmitScore(play)}};
  if (command.name == "rank" || command.name == "rank-cached") {
    IRRankResult board;
    const auto slot = command.name == "rank" ? table.GetRank : table.GetRankCached;
    const std::int32_t result = slot(HashArgument(command), 0, &board);
    return {{"result", result}, {"board", qir::host::BoardJson(board)}};
  }
  IRGhostResult ghost;
  const std::int32_t result = table.GetGhost(
      HashArgument(command), static_cast<GhostMode>(command.mode), command.target, &ghost);
  return {{"result", result}, {"ghost", qir::host::GhostJson(ghost)}};
}

// The check runs the plugin's code built into this program: the plugin beside it must be
// made for the same server.
int CheckServer(const Command& command, const MethodTable& table,
                const std::filesystem::path& plugin) {
  const std::string server = qir::RankingPageTemplate();
  const char* plugin_server = table.RankingPageTemplate;
  if (plugin_server == nullptr || server != plugin_server) {
    return UsageError(qir::host::Utf8Text(plugin) + " is made for " +
                      (plugin_server != nullptr ? plugin_server : "no server") +
                      ", this quorvane-host for " + server);
  }
  const qir::host::CheckOptions options{command.chart, command.course, !command.no_submit};
  return qir::host::RunCheckServer(std::filesystem::absolute(plugin), options, command.json,
                                   std::cout, std::cerr);
}

}  // namespace

int Run(int argc, char** argv) {
  Command command;
  try {
    command = qir::host::ParseCommandLine(qir::platform::ProgramArguments(argc, argv));
  } catch (const std::invalid_argument& e) {
    return UsageError(e.what());
  }
  if (command.help) {
    std::fputs(qir::host::kUsage, stdout);
    return 0;
  }
  if (command.name == "explain") {
    const std::filesystem::path log = command.log_file.empty()
                                          ? PluginPath(command).parent_path() / "debug.log"
                                          : qir::host::Utf8Path(command.log_file);
    return qir::host::RunExplain(log, command.json, std::cout, std::cerr);
  }

  // The record is large (the host's own stretches included): keep it off the stack.
  auto play = std::make_unique<IRPlayResult>();
  if (command.name == "submit") {
    std::ifstream in(qir::host::Utf8Path(command.play_file), std::ios::binary);
    if (!in) return UsageError("cannot read " + command.play_file);
    try {
      qir::host::ReadPlay(json::parse(in), *play);
    } catch (const std::exception& e) {
      return UsageError(command.play_file + ": " + e.what());
    }
  }

  const std::filesystem::path plugin_path = PluginPath(command);
  std::string error;
  const auto library = qir::platform::LoadDynamicLibrary(plugin_path, &error);
  if (!library) return UsageError(error);
  const auto get_method_table =
      reinterpret_cast<GetMethodTableFn>(library->Symbol("GetMethodTable"));
  if (get_method_table == nullptr) {
    return UsageError(qir::host::Utf8Text(plugin_path) + " does not export GetMethodTable");
  }
  MethodTable table{};
  get_method_table(&table);
  if (command.name == "check-server") return CheckServer(command, table, plugin_path);

  const json output = RunSlot(table, command, play.get());
  std::cout << qir::host::DumpOutput(output) << std::endl;
  return 0;
}

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quorvane-host: %s\n", e.what());
    return 1;
  }
}
