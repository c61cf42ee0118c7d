#include "command_line.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "decimal.h"

namespace qir::host {

const char kUsage[] = R"(usage: quorvane-host [--plugin PATH] COMMAND [ARGS]

Loads the Quorvane IR plugin, fills its method table and drives one slot, printing
one JSON object on standard output.

  --plugin PATH   the plugin library (default: the plugin file beside this program)

Commands:
  name                 -> {"name": "..."}
  template             -> {"template": "..."}
  page-url HASH        -> {"url": "..."}
  login                -> {"logged_in": true|false}
  submit PLAY.json     -> {"result": N}
  rank HASH            -> {"result": N, "board": BOARD}
  rank-cached HASH     -> {"result": N, "board": BOARD}
  ghost HASH [--mode target|top|next|average|INTEGER] [--target ID]
                       -> {"result": N, "ghost": GHOST}
  --null-hash may stand instead of HASH: the slot then gets a null pointer.
  explain [PATH] [--json]
                       reads a debug.log (default: the one beside the plugin) and tells,
                       session by session, what the plugin did, why anything failed and
                       what the player can do; loads no plugin. --json prints it as
                       EXPLAIN instead of text.
  check-server [--chart HASH] [--course HASH] [--no-submit] [--json]
                       checks the IR server this build is made for, with a test
                       account's key in key.txt beside the plugin: login, the request
                       signatures, a test play on the chart (--chart) and on the course
                       (--course), the chart's board, its cache and its ghosts, each run
                       by the plugin's own code in this program. Prints the server, then
                       one row per check: PASS, WARN, FAIL or SKIP, its time and why
                       (docs/operators.md); --json prints CHECK instead. --no-submit sends
                       no play. Loads the plugin only to see it is made for that server.

BOARD = {"entries": [{"display_name","player_id","playcount","clear_type","notes",
         "maxcombo","pgreat","great","good","bad","poor","minbp"}, ...],
         "clear_distribution": [6 integers], "fetched_at", "my_rank", "player_count",
         "total_playcount"}
GHOST = {"display_name","ghost_data","option_main","option_pair": [2],
         "option_flag": bool,"random_seed","average_exscore"}
EXPLAIN = {"schema": 1, "log": PATH, "sessions": [{"started": TIME or null,
           "activities": [{"activity": "login"|"board"|"ghost"|"submission"|"request",
             "outcome": "succeeded"|"failed"|"skipped"|"unfinished", "attempts",
             "summary", "cause", "advice"}, ...],
           "events": [{"line","time","level","event","detail","text","known": bool,
             "failure": bool,"meaning","advice"}, ...]}, ...]}
CHECK = {"server": TEMPLATE, "rows": [{"check": NAME, "verdict": "PASS"|"WARN"|"FAIL"|"SKIP",
         "ms": INT, "detail": TEXT}, ...]}, NAME a dotted id such as "auth.bad_signature"

PLAY.json holds the play grouped as the score document groups it: the objects
"song", "settings", "state" and "judgements_total", the result members at the top
level ("max_combo", "HP", "gaugeType", "moneyscore", "exscore", "rate", "clearType",
"inputType") and "ghost". Absent keys are 0, false or empty. Any text member may be
given instead as "<key>_hex", its bytes in hexadecimal, for text that is not UTF-8.
A number member may be given as a boolean (1 or 0); one outside its member's range is
a usage error. The double members ("HP" elements, "rate", "freqSpeedMultiplier",
"song_runtime") also take the strings "Infinity", "-Infinity" and "NaN", which JSON
numbers cannot carry.

Output text that is not UTF-8 is written with U+FFFD. The plugin works in the
current directory as the host does (LR2files/Config/config.xml is read from it).

Exit status: 0 when the slot ran, whatever its result, or when explain read its log;
2 for a usage error, a plugin that cannot be loaded, a PLAY.json or a log that cannot
be read. check-server: 0 when no check failed, 1 when one did; 2 for a usage error, a
plugin that cannot be loaded or is made for another server, or no key in key.txt.
)";

namespace {

[[noreturn]] void Usage(const std::string& message) { throw std::invalid_argument(message); }

std::int32_t ParseInt(const std::string& text, const char* what) {
  const std::optional<std::int32_t> value = ParseDecimal<std::int32_t>(text);
  if (!value) Usage(std::string("bad ") + what + ": " + text);
  return *value;
}

std::int32_t ParseMode(const std::string& text) {
  if (text == "target") return 0;
  if (text == "top") return 1;
  if (text == "next") return 2;
  if (text == "average") return 3;
  return ParseInt(text, "mode");
}

bool TakesHash(const std::string& name) {
  return name == "page-url" || name == "rank" || name == "rank-cached" || name == "ghost";
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& args) {
  Command command;
  std::vector<std::string> positional;
  bool null_hash = false;
  bool have_mode = false;
  bool have_target = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](const char* option) -> const std::string& {
      if (i + 1 >= args.size()) Usage(std::string(option) + " needs a value");
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      command.help = true;
      return command;
    } else if (arg == "--plugin") {
      command.plugin = value("--plugin");
    } else if (arg == "--null-hash") {
      null_hash = true;
    } else if (arg == "--mode") {
      command.mode = ParseMode(value("--mode"));
      have_mode = true;
    } else if (arg == "--json") {
      command.json = true;
    } else if (arg == "--target") {
      command.target = ParseInt(value("--target"), "target");
      have_target = true;
    } else if (arg == "--chart") {
      command.chart = value("--chart");
    } else if (arg == "--course") {
      command.course = value("--course");
    } else if (arg == "--no-submit") {
      command.no_submit = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      Usage("unknown option " + arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty()) Usage("no command given (try --help)");
  command.name = positional.front();
  positional.erase(positional.begin());

  static const char* const kCommands[] = {"name",    "template",    "page-url", "login",
                                          "submit",  "rank",        "rank-cached", "ghost",
                                          "explain", "check-server"};
  if (std::find(std::begin(kCommands), std::end(kCommands), command.name) == std::end(kCommands)) {
    Usage("unknown command " + command.name);
  }
  if ((have_mode || have_target) && command.name != "ghost") {
    Usage("--mode and --target belong to the ghost command");
  }
  if (null_hash && !TakesHash(command.name)) Usage("--null-hash belongs to a command taking HASH");
  const bool check = command.name == "check-server";
  if (command.json && command.name != "explain" && !check) {
    Usage("--json belongs to the explain and check-server commands");
  }
  if ((command.chart || command.course || command.no_submit) && !check) {
    Usage("--chart, --course and --no-submit belong to the check-server command");
  }
  if ((command.chart && command.chart->empty()) || (command.course && command.course->empty())) {
    Usage("--chart and --course take a hash");
  }

  if (TakesHash(command.name)) {
    const std::size_t wanted = null_hash ? 0 : 1;
    if (positional.size() == 1 && !null_hash) command.hash = positional[0];
    if (positional.size() != wanted) Usage(command.name + " takes HASH or --null-hash");
  } else if (command.name == "submit") {
    if (positional.size() != 1) Usage("submit takes PLAY.json");
    command.play_file = positional[0];
  } else if (command.name == "explain") {
    if (positional.size() > 1) Usage("explain takes at most one PATH");
    if (!positional.empty()) command.log_file = positional[0];
  } else if (!positional.empty()) {
    Usage(command.name + " takes no arguments");
  }
  return command;
}

}  // namespace qir::host
