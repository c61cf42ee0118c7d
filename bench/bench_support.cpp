#include "bench_support.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace qir::bench {
namespace {

// Display names as json.dumps writes them; every fourth one is Japanese.
constexpr const char* kNames[] = {
    "Kestrel", "Aoi", "Mirel", "\\u3042\\u304a\\u3044",
    "Tamsin", "Rook", "Vell", "\\u30df\\u30ab",
};

void Member(std::string& out, std::string_view key, long long value, bool first = false) {
  if (!first) out += ", ";
  out += '"';
  out += key;
  out += "\": ";
  out += std::to_string(value);
}

std::string MakeBoardReply() {
  std::string out;
  out.reserve(kBoardBytes);
  out += "{\"entries\": [";
  int distribution[6] = {};
  const int my_row = 511;
  int my_player_id = 0;
  long long total_playcount = 0;
  for (int i = 0; i < static_cast<int>(kBoardRows); ++i) {
    const int great = 100 + (i * 7) % 200;
    const int pgreat = (2900 - 2 * i - great) / 2;
    const int bad = i % 20;
    const int poor = i % 30 + 1;
    const int clear_type = 5 - i * 6 / static_cast<int>(kBoardRows);
    const int player_id = 100000 + i * 37;
    const int playcount = 1 + i % 40;
    distribution[clear_type] += 1;
    total_playcount += playcount;
    if (i == my_row) my_player_id = player_id;

    if (i > 0) out += ", ";
    out += '{';
    Member(out, "rank", i + 1, true);
    Member(out, "player_id", player_id);
    out += ", \"display_name\": \"";
    out += kNames[i % std::size(kNames)];
    out += std::to_string(i);
    out += '"';
    Member(out, "exscore", 2 * pgreat + great);
    Member(out, "notes", 1500);
    Member(out, "clear_type", clear_type);
    Member(out, "pgreat", pgreat);
    Member(out, "great", great);
    Member(out, "good", 20 + i % 50);
    Member(out, "bad", bad);
    Member(out, "poor", poor);
    Member(out, "maxcombo", 1500 - i);
    Member(out, "minbp", bad + poor);
    Member(out, "playcount", playcount);
    Member(out, "option_packed", i % 6 + 10 * (i % 5) + 100 * (i % 3) + 1000 * (i % 2));
    Member(out, "keymode", 7);
    out += '}';
  }
  out += ']';
  Member(out, "player_count", static_cast<long long>(kBoardRows));
  Member(out, "total_playcount", total_playcount);
  out += ", \"clear_distribution\": [";
  for (int i = 0; i < 6; ++i) {
    if (i > 0) out += ", ";
    out += std::to_string(distribution[i]);
  }
  out += ']';
  Member(out, "my_rank", my_row + 1);
  Member(out, "my_player_id", my_player_id);
  if (out.size() + 1 > kBoardBytes) throw std::logic_error("the board reply is too long");
  // Whitespace up to the exact length, as an indenting server would leave some.
  out.append(kBoardBytes - 1 - out.size(), ' ');
  out += '}';
  return out;
}

std::string GhostData(std::size_t length) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string data;
  data.reserve(length);
  std::uint32_t state = 12345;
  for (std::size_t i = 0; i < length; ++i) {
    state = state * 1103515245u + 12345u;
    data.push_back(kAlphabet[(state >> 16) % 64]);
  }
  return data;
}

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
  }
}

void MakeScoreDatabase(const std::filesystem::path& path) {
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.string().c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot create " + path.string());
  }
  // The host's table, keyed by chart hash.
  Check(sqlite3_exec(db,
                     "CREATE TABLE score (hash TEXT PRIMARY KEY, clear INTEGER, perfect INTEGER, "
                     "great INTEGER, good INTEGER, bad INTEGER, poor INTEGER, totalnotes INTEGER, "
                     "maxcombo INTEGER, minbp INTEGER, playcount INTEGER, clearcount INTEGER, "
                     "failcount INTEGER, rank INTEGER, rate INTEGER, clear_db INTEGER, "
                     "clear_sd INTEGER, clear_ex INTEGER, op_best INTEGER, rseed INTEGER, "
                     "ghost TEXT); BEGIN",
                     nullptr, nullptr, nullptr),
        db, "create");
  sqlite3_stmt* insert = nullptr;
  Check(sqlite3_prepare_v2(db,
                           "INSERT INTO score VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                           -1, &insert, nullptr),
        db, "prepare");
  const PreviousBest best = StoredBest();
  for (int row = 0; row <= kOtherCharts; ++row) {
    std::string hash = kHash;
    if (row < kOtherCharts) {
      char text[33];
      const auto n = static_cast<unsigned>(row);
      std::snprintf(text, sizeof text, "%08x%08x%08x%08x", n * 2654435761u, n, ~n, 77u);
      hash = text;
    }
    sqlite3_bind_text(insert, 1, hash.c_str(), -1, SQLITE_TRANSIENT);
    const std::int32_t values[] = {
        best.clear,      best.perfect,   best.great,    best.good,      best.bad,
        best.poor,       best.totalnotes, best.maxcombo, best.minbp,     best.playcount,
        best.clearcount, best.failcount, best.rank,     best.rate,      best.clear_db,
        best.clear_sd,   best.clear_ex,  best.op_best,  best.rseed};
    int index = 2;
    for (const std::int32_t value : values) sqlite3_bind_int(insert, index++, value);
    sqlite3_bind_text(insert, index, best.ghost.c_str(), static_cast<int>(best.ghost.size()),
                      SQLITE_TRANSIENT);
    Check(sqlite3_step(insert), db, "insert");
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  sqlite3_close(db);
}

class MemoryExchange final : public platform::HttpExchange {
 public:
  bool Open(const std::u16string&) override { return true; }
  bool SetProtocolOptions() override { return true; }
  bool Connect(const std::u16string&, std::uint16_t) override { return true; }
  bool OpenRequest(std::u16string_view verb, const std::u16string& target,
                   std::uint32_t) override {
    const std::u16string_view path = std::u16string_view(target).substr(0, target.find(u'?'));
    if (verb == u"POST") {
      reply_ = &ScoreReply();
    } else if (path.ends_with(u"/board")) {
      reply_ = &BoardReply();
    } else if (path.ends_with(u"/ghost")) {
      reply_ = &GhostReply();
    } else {
      reply_ = &LoginReply();
    }
    return true;
  }
  void SetDecompression() override {}
  bool Send(const std::u16string&, std::string_view, std::size_t limit) override {
    limit_ = limit;
    return true;
  }
  bool Receive() override { return true; }
  std::uint32_t StatusCode() override { return 200; }
  bool QueryDataAvailable(std::uint32_t* available) override {
    *available = static_cast<std::uint32_t>(Held() - read_);
    return true;
  }
  bool ReadData(char* buffer, std::uint32_t size, std::uint32_t* read) override {
    const std::size_t n = std::min<std::size_t>(size, Held() - read_);
    std::memcpy(buffer, reply_->data() + read_, n);
    read_ += n;
    *read = static_cast<std::uint32_t>(n);
    return true;
  }
  // As a server announces it; the reader sizes its buffer from it.
  std::optional<std::uint64_t> ContentLength() override { return reply_->size(); }
  std::uint32_t last_error() const override { return 0; }

 private:
  std::size_t Held() const { return std::min(reply_->size(), limit_); }

  const std::string* reply_ = nullptr;
  std::size_t limit_ = 0;
  std::size_t read_ = 0;
};

}  // namespace

const std::string& BoardReply() {
  static const std::string reply = MakeBoardReply();
  return reply;
}

const std::string& GhostReply() {
  static const std::string reply =
      "{\"display_name\": \"Kestrel\", \"ghost_data\": \"" + GhostData(2048) +
      "\", \"option_packed\": 1234, \"random_seed\": 777, \"average_exscore\": 0}";
  return reply;
}

const std::string& LoginReply() {
  static const std::string reply = "{\"logged_in\": true, \"player_id\": 123456}";
  return reply;
}

const std::string& ScoreReply() {
  static const std::string reply = "{\"ok\": true}";
  return reply;
}

std::unique_ptr<IRPlayResult> Play() {
  auto play = std::make_unique<IRPlayResult>();
  play->hash = kHash;
  play->title = "Bench Song";
  play->subtitle = "[ANOTHER]";
  play->genre = "TECHNO";
  play->artist = "Quorvane";
  play->subartist = "obj: bench";
  play->maxBPM = 180;
  play->minBPM = 180;
  play->judge = 2;
  play->level = 9;
  play->settings.gaugeOption = 1;
  play->settings.random[0] = 3;
  play->settings.hsfix = 1;
  play->state.keymode = 7;
  play->state.randomseed = 424242;
  play->state.freqSpeedMultiplier = 1.0;
  play->state.song_runtime = 123.456;
  play->state.notes_total = 1500;
  auto& j = play->judgements_total;
  j.epg = 700;
  j.lpg = 650;
  j.egr = 60;
  j.lgr = 50;
  j.egd = 15;
  j.lgd = 10;
  j.ebd = 3;
  j.lbd = 2;
  j.epr = 5;
  j.lpr = 5;
  j.cb = 4;
  j.fast = 70;
  j.slow = 60;
  j.notes_played = 1500;
  j.notes_total = 1500;
  play->max_combo = 802;
  play->HP[0] = 100.0;
  play->HP[1] = 87.5;
  play->gaugeType = 1;
  play->exscore = 2 * 1350 + 110;
  play->rate = 0.9366;
  play->clearType = 4;
  play->ghost = GhostData(2048);
  return play;
}

PreviousBest StoredBest() {
  PreviousBest best;
  best.clear = 3;
  best.perfect = 1200;
  best.great = 200;
  best.good = 40;
  best.bad = 10;
  best.poor = 20;
  best.totalnotes = 1500;
  best.maxcombo = 600;
  best.minbp = 30;
  best.playcount = 17;
  best.clearcount = 9;
  best.failcount = 8;
  best.rank = 5;
  best.rate = 87;
  best.op_best = 1032;
  best.rseed = 99;
  best.ghost = GhostData(2048);
  return best;
}

void LayOut(const std::filesystem::path& root) {
  namespace fs = std::filesystem;
  const fs::path plugin = root / "plugin";
  const fs::path game = root / "game";
  const fs::path www = root / "www";
  fs::create_directories(plugin);
  fs::create_directories(game / "LR2files" / "Config");
  fs::create_directories(game / "LR2files" / "Database" / "Score");
  fs::create_directories(www);
  const auto write = [](const fs::path& path, std::string_view bytes) {
    if (!WriteWholeFile(path, bytes)) throw std::runtime_error("cannot write " + path.string());
  };
  write(plugin / "key.txt", std::string(kApiKey) + "\r\n");
  write(game / "LR2files" / "Config" / "config.xml",
        std::string("<?xml version=\"1.0\"?>\r\n<config>\r\n<player>\r\n<name>bench</name>\r\n<id>") +
            kPlayerId + "</id>\r\n</player>\r\n</config>\r\n");
  MakeScoreDatabase(game / "LR2files" / "Database" / "Score" / (std::string(kPlayerId) + ".db"));
  write(www / "board.json", BoardReply());
  write(www / "ghost.json", GhostReply());
  write(www / "login.json", LoginReply());
  write(www / "score.json", ScoreReply());
}

std::unique_ptr<platform::HttpExchange> NewMemoryExchange() {
  return std::make_unique<MemoryExchange>();
}

bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return ::close(fd) == 0 && bytes.empty();
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  struct stat info {};
  std::string bytes;
  if (::fstat(fd, &info) == 0 && info.st_size > 0) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
  }
  ::close(fd);
  return bytes;
}

}  // namespace qir::bench
