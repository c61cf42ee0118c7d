// What the benchmark programs share: the server's replies, the player's and the
// host's files, and an HTTP exchange that answers from memory.
#ifndef QUORVANE_BENCH_SUPPORT_H
#define QUORVANE_BENCH_SUPPORT_H

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

#include "QuorvaneIR.h"
#include "host/score_database.h"
#include "platform/http_exchange.h"

namespace qir::bench {

inline constexpr char kHash[] = "0123456789abcdef0123456789abcdef";
inline constexpr char kApiKey[] = "bench-key-0123456789abcdef012345";
inline constexpr char kPlayerId[] = "123456";
inline constexpr std::size_t kBoardRows = 999;
// The board reply is as long as the plugin reads at most: a full board at its largest.
inline constexpr std::size_t kBoardBytes = 262'144;
// Rows of the host's score database besides the benchmark chart's.
inline constexpr int kOtherCharts = 2000;

// The replies as the IR server writes them (Python's json.dumps: ASCII with \u
// escapes, ", " and ": " separators). The board has kBoardRows rows and exactly
// kBoardBytes bytes.
const std::string& BoardReply();
const std::string& GhostReply();
const std::string& LoginReply();
const std::string& ScoreReply();

// A finished play of kHash that beats the stored best. The record is some 38 KB.
std::unique_ptr<IRPlayResult> Play();
PreviousBest StoredBest();

// Lays out under root:
//   plugin/key.txt                                   the player's API key
//   game/LR2files/Config/config.xml                  the host's configuration (player kPlayerId)
//   game/LR2files/Database/Score/{kPlayerId}.db      the host's score database
//   www/{board,ghost,login,score}.json               the server's replies
// Throws std::runtime_error when a file cannot be made.
void LayOut(const std::filesystem::path& root);

// Answers by the request's path: board, ghost and login replies, and the score
// reply to a POST. It announces the reply's length and is read as WinHTTP is read:
// the plugin copies the body out of it once.
std::unique_ptr<platform::HttpExchange> NewMemoryExchange();

// Writes the bytes to a file, replacing it: open, one write, close.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);
// The file's bytes: open, read, close; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace qir::bench

#endif
