#include "check_rows.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "decimal.h"
#include "explain.h"
#include "ghost/ghost_fetch.h"
#include "net/endpoints.h"
#include "net/http_client.h"
#include "net/retry.h"
#include "plugin/login.h"
#include "platform/os.h"
#include "ranking/board_fetch.h"
#include "ranking/board_parser.h"
#include "ranking/rank_cache.h"
#include "records_json.h"
#include "reply_lint.h"
#include "submit/score_payload.h"
#include "submit/submit_score.h"
#include "utf8_path.h"

namespace qir::host {

void FillTestPlay(IRPlayResult& play, const std::string& hash, bool course) {
  play.hash = hash;
  play.title = "Quorvane IR server check";
  play.artist = "quorvane-host check-server";
  play.maxBPM = play.minBPM = 150;
  play.judge = 2;
  play.level = 1;
  if (course) {
    play.courseStageCount = 4;
    play.state.isCourse = 1;
    play.state.courseStageNow = 4;
  }
  play.state.keymode = 7;
  play.state.freqSpeedMultiplier = 1.0;
  play.state.song_runtime = 120.0;
  play.state.notes_total = kTestNotes;
  auto& j = play.judgements_total;
  j.epg = j.lpg = kTestNotes / 2;
  j.notes_played = j.notes_total = kTestNotes;
  play.max_combo = kTestNotes;
  play.HP[0] = 100.0;
  play.exscore = kTestExscore;
  play.rate = 100.0;
  play.clearType = 5;
  play.inputType = 1;
}

namespace {

constexpr std::string_view kNoChart = "no --chart given: a chart for test scores";
constexpr std::string_view kNoBoard = "no board to read (see board.fetch)";
constexpr std::string_view kNoGenuine =
    "the genuine login got no 2xx answer (see login.ok): a refusal would prove nothing";

Outcome Pass(std::string detail) { return {Verdict::Pass, std::move(detail)}; }
Outcome Warn(std::string detail) { return {Verdict::Warn, std::move(detail)}; }
Outcome Fail(std::string detail) { return {Verdict::Fail, std::move(detail)}; }
Outcome Skip(std::string_view detail) { return {Verdict::Skip, std::string(detail)}; }

// "1 row", "2 rows".
std::string Count(std::size_t n, std::string_view thing) {
  return std::to_string(n) + " " + std::string(thing) + (n == 1 ? "" : "s");
}

// 262144 as "262,144".
std::string Thousands(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

bool Is2xx(std::uint32_t code) { return code >= 200 && code <= 299; }
bool Is4xx(std::uint32_t code) { return code >= 400 && code <= 499; }
std::string Http(const SeenExchange& seen) { return "HTTP " + std::to_string(seen.status_code); }

std::string Narrow(const char16_t* text) {
  std::string out;
  for (; *text != u'\0'; ++text) out.push_back(static_cast<char>(*text));
  return out;
}

// The server took the request as it takes a good one: a 2xx answer that does not say
// logged out.
bool Accepted(const SeenExchange& seen) {
  return seen.answered && Is2xx(seen.status_code) && LoginFlag(seen.body) != false;
}

// A login with key (and whatever edit the caller set up), which a sound server refuses.
Outcome Probe(CheckContext& c, const std::string& key, std::string_view accepted_means) {
  if (!c.login || !Is2xx(c.login->status_code)) return Skip(kNoGenuine);
  const HttpStatus status = WithRetry([&key] { return LoginAttempt(key); });
  const std::string log = c.os.TakeLog();
  const SeenExchange& seen = c.os.last();
  if (status == HttpStatus::Ok || Accepted(seen)) return Fail(std::string(accepted_means));
  if (!seen.answered) return Warn("no answer where a refusal was due: " + InWords(log));
  if (Is2xx(seen.status_code)) return Pass("refused: " + Http(seen) + " with logged_in false");
  if (Is4xx(seen.status_code)) return Pass("refused (" + Http(seen) + ")");
  return Warn(InWords(log) + ", where a refusal (4xx) was due");
}

Outcome LoginOk(CheckContext& c) {
  const HttpStatus status = WithRetry([&c] { return LoginAttempt(c.key); });
  const std::string log = c.os.TakeLog();
  const SeenExchange& seen = c.os.last();
  if (!seen.answered) {
    c.server_silent = true;
    return Fail(InWords(log));
  }
  c.login = seen;
  if (status == HttpStatus::Ok) return Pass("the server took the key in key.txt: logged_in true");
  if (!Is2xx(seen.status_code)) return Fail(InWords(log));
  const LintReport lint = LintReply(seen.body, Reply::Login);
  const std::string why = !lint.is_json           ? "the reply is not JSON"
                          : lint.problems.empty() ? "the reply says logged_in false"
                                                  : lint.problems.front();
  return Fail(Http(seen) + ", but the plugin does not log in: " + why);
}

Outcome WrongKey(CheckContext& c) {
  std::string wrong = c.key;
  wrong.back() = wrong.back() == '0' ? '1' : '0';
  return Probe(c, wrong,
               "the server logged in a key that differs from key.txt's in one character: it "
               "does not check keys, so anyone can log in and post scores under a made-up key");
}

Outcome BadSignature(CheckContext& c) {
  c.os.SetSignatureEdit(SignatureEdit::OtherPayload, c.key);
  return Probe(c, c.key,
               "the server took a request signed for another payload: it does not check "
               "signatures, so a request altered on the way is taken as sent");
}

Outcome MissingSignature(CheckContext& c) {
  c.os.SetSignatureEdit(SignatureEdit::Removed);
  return Probe(c, c.key,
               "the server took a request without x-signature: it does not require signatures, "
               "so altered requests, and old ones with a new x-timestamp, are taken as sent");
}

Outcome OldTimestamp(CheckContext& c) {
  c.os.SetClockOffset(-3600);
  return Probe(c, c.key,
               "the server took a request signed an hour ago: it does not check x-timestamp, "
               "so a request recorded on the way can be sent again days later");
}

Outcome Replay(CheckContext& c) {
  if (!c.login || !Is2xx(c.login->status_code)) return Skip(kNoGenuine);
  // A second that no earlier request of the check was signed in, held for both.
  const std::int64_t before = platform::SystemOs().wall_clock_seconds();
  while (platform::SystemOs().wall_clock_seconds() == before) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  c.os.FixClock(platform::SystemOs().wall_clock_seconds());
  WithRetry([&c] { return LoginAttempt(c.key); });
  const SeenExchange first = c.os.last();
  WithRetry([&c] { return LoginAttempt(c.key); });
  const SeenExchange second = c.os.last();
  const std::string log = c.os.TakeLog();
  constexpr std::string_view kWhy =
      ": requests carry no nonce, so two signed in one second (two threads of the game "
      "logging in) are identical";
  if (!Accepted(first)) {
    return Warn("the first request of the pair was not taken (" +
                (first.answered ? Http(first) : InWords(log)) + "), so the repeat tells nothing");
  }
  if (Accepted(second)) {
    return Pass("an identical request sent again in the same second was answered like the "
                "first, as it must be" + std::string(kWhy));
  }
  return Warn("an identical request sent again in the same second was refused (" +
              (second.answered ? Http(second) : InWords(log)) +
              "): real clients send such twins" + std::string(kWhy));
}

Outcome Submit(CheckContext& c, const std::optional<std::string>& hash, bool course) {
  if (!hash) return Skip(course ? "no --course given: a course for a test score" : kNoChart);
  if (!c.options.submit) return Skip("--no-submit: nothing is written to the server");
  const auto play = std::make_unique<IRPlayResult>();
  FillTestPlay(*play, *hash, course);
  const Endpoint endpoint = ScoreEndpoint(*play);
  const HttpStatus status =
      HttpPost(BuildScorePayload(*play, {}, /*is_pb=*/true, nullptr), c.key, endpoint);
  const std::string log = c.os.TakeLog();
  if (status != HttpStatus::Ok) return Fail(InWords(log));
  if (!course) c.chart_played = true;
  return Pass("the server took a test play at " + Narrow(EndpointPath(endpoint)) + ": EX " +
              std::to_string(kTestExscore) + ", " + std::to_string(kTestNotes) +
              " PGREAT, FULL COMBO");
}

Outcome SubmitChart(CheckContext& c) { return Submit(c, c.options.chart, false); }
Outcome SubmitCourse(CheckContext& c) { return Submit(c, c.options.course, true); }

std::string Ranked(const IRRankResult& board) {
  return board.my_rank > 0 ? "your rank " + std::to_string(board.my_rank) : "you are not on it";
}

Outcome BoardFetch(CheckContext& c) {
  if (!c.options.chart) return Skip(kNoChart);
  const HttpStatus status = GetRankFromNetwork(*c.options.chart, c.key, c.board_result);
  c.board_log = c.os.TakeLog();
  c.board_reply = c.os.last();
  if (status != HttpStatus::Ok) return Fail(InWords(c.board_log));
  c.board_read = true;
  IRRankResult result;
  BoardStats stats;
  ParseBoard(c.board_reply->body, /*whole_text=*/true, result, stats, c.board);
  return Pass(Count(c.board_result.entries.size(), "row") + " of " +
              Count(static_cast<std::size_t>(std::max(c.board_result.player_count, 0)), "player") +
              "; " + Ranked(c.board_result));
}

// The player of the key, as the board names them: its own player id, else the row at
// its own rank.
std::optional<std::int32_t> MyPlayerId(const CheckContext& c) {
  if (c.board.my_player_id > 0) return c.board.my_player_id;
  const BoardEntry* mine = nullptr;
  for (const BoardEntry& entry : c.board.entries) {
    if (c.board_result.my_rank <= 0 || entry.rank != c.board_result.my_rank) continue;
    if (mine == nullptr || entry.exscore == kTestExscore) mine = &entry;
  }
  if (mine == nullptr) return std::nullopt;
  return mine->player_id;
}

Outcome BoardHasPlay(CheckContext& c) {
  if (!c.options.chart) return Skip(kNoChart);
  if (!c.options.submit) return Skip("--no-submit: no test play was sent");
  if (!c.chart_played) return Skip("the server did not take the test play (see submit.chart)");
  if (!c.board_read) return Skip(kNoBoard);
  const std::optional<std::int32_t> me = MyPlayerId(c);
  if (!me) {
    return Fail("the board names no player as you (no my_player_id, my_rank " +
                std::to_string(c.board_result.my_rank) + "): the server did not rank the test play");
  }
  const std::string player = "player " + std::to_string(*me);
  const auto row = std::find_if(c.board.entries.begin(), c.board.entries.end(),
                                [&](const BoardEntry& e) { return e.player_id == *me; });
  if (row == c.board.entries.end()) {
    return Fail(player + " has no row on the board: the server lost the test play or did not rank it");
  }
  if (row->exscore != kTestExscore) {
    return Fail(player + "'s row holds EX " + std::to_string(row->exscore) + ", not the test play's " +
                std::to_string(kTestExscore) + ": the server lost it or did not rank it");
  }
  if (c.board_result.my_rank <= 0) {
    return Fail(player + "'s row is on the board, but my_rank is " +
                std::to_string(c.board_result.my_rank) + ": the game shows the player no rank");
  }
  return Pass("the test play is on the board: " + player + ", rank " + std::to_string(row->rank) +
              ", EX " + std::to_string(row->exscore) + "; my_rank " +
              std::to_string(c.board_result.my_rank));
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : "; ") + part;
  return out;
}

Outcome LintOutcome(const LintReport& lint, std::string lead) {
  if (!lint.is_json) return Warn(lead + "the reply is not JSON: every member takes its default");
  if (!lint.problems.empty()) return Warn(lead + Joined(lint.problems));
  std::string detail = lead + "every member the plugin reads came as it reads it";
  if (!lint.other_names.empty()) detail += "; under other names: " + Joined(lint.other_names);
  return Pass(detail);
}

Outcome BoardLint(CheckContext& c) {
  if (!c.options.chart) return Skip(kNoChart);
  if (!c.board_read) return Skip(kNoBoard);
  const LintReport lint = LintReply(c.board_reply->body, Reply::Board);
  return LintOutcome(lint, Count(lint.rows, "row") + ": ");
}

Outcome BoardCap(CheckContext& c) {
  if (!c.options.chart) return Skip(kNoChart);
  if (!c.board_reply || !c.board_reply->answered) return Skip("no board reply (see board.fetch)");
  const std::size_t size = c.board_reply->body.size();
  const std::string cap = Thousands(kResponseBodyLimit) + "-byte cap";
  if (size < kResponseBodyLimit) {
    return Pass(Thousands(size) + " bytes, below the plugin's " + cap);
  }
  const std::optional<std::uint64_t> sent = c.board_reply->announced;
  if (sent && *sent > kResponseBodyLimit) {
    return Warn("the reply is " + Thousands(*sent) + " bytes, past the plugin's " + cap +
                ": the plugin reads no further, and the cut board does not parse, so players "
                "get no board");
  }
  return Warn("the reply reached the plugin's " + cap +
              ": the plugin reads no further, so a longer board is cut and does not parse");
}

Outcome BoardCache(CheckContext& c) {
  if (!c.options.chart) return Skip(kNoChart);
  if (!c.board_read) return Skip(kNoBoard);
  const std::filesystem::path path = RankCacheFilePath(*c.options.chart);
  const auto file = path.parent_path().filename() / path.filename();
  IRRankResult cached;
  if (!ReadRankCache(*c.options.chart, cached)) {
    if (c.board_log.find("rank_cache_write_fail") != std::string::npos) {
      return Fail(std::string(FindLogEvent("rank_cache_write_fail", {})->cause) + " (" +
                  Utf8Text(path.parent_path()) + ")");
    }
    return Fail("no fresh cache file at " + Utf8Text(path) + " after the board came");
  }
  nlohmann::json fetched = BoardJson(c.board_result);
  nlohmann::json read = BoardJson(cached);
  for (auto it = fetched.begin(); it != fetched.end(); ++it) {
    if (it.key() != "fetched_at" && *it != read[it.key()]) {
      return Fail("the cached board differs from the one fetched in " + it.key());
    }
  }
  return Pass(Utf8Text(file) + " holds the board as fetched: " +
              Count(cached.entries.size(), "row"));
}

// Why the server has no ghost for this choice, when it has good reason.
std::optional<std::string> NoGhostReason(const CheckContext& c, GhostMode mode,
                                         std::int32_t target) {
  const auto& rows = c.board.entries;
  if (rows.empty()) return "the board is empty";
  if (mode == GhostMode::Target &&
      std::none_of(rows.begin(), rows.end(),
                   [target](const BoardEntry& e) { return e.player_id == target; })) {
    return "the board has no row of player " + std::to_string(target);
  }
  if (mode == GhostMode::Next && c.board_result.my_rank <= 1) {
    return c.board_result.my_rank == 1 ? "you are first on the board, so nobody is above you"
                                       : "you are not on the board";
  }
  return std::nullopt;
}

Outcome Ghost(CheckContext& c, GhostMode mode) {
  if (!c.options.chart) return Skip(kNoChart);
  std::int32_t target = 0;
  if (mode == GhostMode::Target) {
    const std::optional<std::int32_t> me = c.board_read ? MyPlayerId(c) : std::nullopt;
    if (!me) return Skip("no player id of yours from the board to ask for (see board.fetch)");
    target = *me;
  }
  IRGhostResult ghost;
  const HttpStatus status = GetGhostFromNetwork(*c.options.chart, mode, target, c.key, ghost);
  const std::string log = c.os.TakeLog();
  const SeenExchange& seen = c.os.last();
  if (status == HttpStatus::Ok) {
    constexpr std::size_t kShown = 40;  // of the server's name, at the most
    const std::string name = ghost.display_name.empty() ? "no name"
                             : ghost.display_name.size() <= kShown
                                 ? ghost.display_name
                                 : ghost.display_name.substr(0, kShown) + "...";
    return LintOutcome(LintReply(seen.body, Reply::Ghost),
                       "ghost of " + name + ", " + std::to_string(ghost.ghost_data.size()) +
                           " bytes of ghost data: ");
  }
  if (!seen.answered || seen.status_code != 404) return Fail(InWords(log));
  if (!c.board_read) return Skip("no ghost (HTTP 404), and no board to tell whether one is due");
  if (const auto reason = NoGhostReason(c, mode, target)) {
    return Pass("no ghost (HTTP 404), as expected: " + *reason);
  }
  return Warn("no ghost (HTTP 404), though the board holds " +
              Count(c.board.entries.size(), "row") + ": players get none in mode " +
              GhostModeWord(mode));
}

Outcome GhostTarget(CheckContext& c) { return Ghost(c, GhostMode::Target); }
Outcome GhostTop(CheckContext& c) { return Ghost(c, GhostMode::Top); }
Outcome GhostNext(CheckContext& c) { return Ghost(c, GhostMode::Next); }
Outcome GhostAverage(CheckContext& c) { return Ghost(c, GhostMode::Average); }

constexpr Check kChecks[] = {
    {"login.ok", &LoginOk},
    {"login.wrong_key", &WrongKey},
    {"auth.bad_signature", &BadSignature},
    {"auth.missing_signature", &MissingSignature},
    {"auth.old_timestamp", &OldTimestamp},
    {"auth.replay", &Replay},
    {"submit.chart", &SubmitChart},
    {"submit.course", &SubmitCourse},
    {"board.fetch", &BoardFetch},
    {"board.has_play", &BoardHasPlay},
    {"board.lint", &BoardLint},
    {"board.cap", &BoardCap},
    {"board.cache", &BoardCache},
    {"ghost.target", &GhostTarget},
    {"ghost.top", &GhostTop},
    {"ghost.next", &GhostNext},
    {"ghost.average", &GhostAverage},
};

}  // namespace

std::span<const Check> Checks() { return kChecks; }

std::string InWords(std::string_view log) {
  const LogAccount account = ExplainLog(log);
  std::string cause;
  int attempts = 0;
  std::string transport;  // what the last connection error means, with its code
  for (const SessionAccount& session : account.sessions) {
    for (const ActivityAccount& activity : session.activities) {
      if (activity.outcome != "failed") continue;
      cause = activity.cause;
      attempts = activity.attempts;
    }
    // A connection error counts when no answer came after it.
    for (const ExplainedLine& line : session.lines) {
      if (line.step == Step::Reply) transport.clear();
      if (line.step != Step::TransportError) continue;
      const std::string_view code = DetailValue(line.detail, "win32");
      const auto number = ParseDecimal<std::uint32_t>(code);
      const TransportError* error = number ? FindTransportError(*number) : nullptr;
      transport = error != nullptr ? std::string(error->meaning) : std::string();
      if (transport.ends_with('.')) transport.pop_back();
      if (!transport.empty()) transport += " (error " + std::string(code);
    }
  }
  const std::string tries = attempts > 1 ? std::to_string(attempts) + " attempts" : "";
  if (!transport.empty()) return transport + (tries.empty() ? ")" : ", " + tries + ")");
  if (cause.empty()) return "the plugin's log does not say why";
  return cause + (tries.empty() ? "" : " (" + tries + ")");
}

}  // namespace qir::host
