#include "ranking/rank_cache.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "diag/log.h"
#include "diag/plugin_files.h"
#include "net/auth_headers.h"
#include "net/json_readers.h"
#include "ranking/board_parser.h"

namespace qir {
namespace {

using nlohmann::json;

// The file is written directly rather than through a json document and dump: for a
// full board that document costs more than parsing the reply did. The bytes are
// those dump would give (compact, keys in sorted order).

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;  // no UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// As dump writes a string with ensure_ascii off: quote, backslash and control
// characters escaped, everything else as it is. Text that is not valid UTF-8 goes
// through dump itself, which puts U+FFFD in place of each bad sequence.
void AppendString(std::string& out, std::string_view text) {
  if (!IsValidUtf8(text)) {
    out += json(std::string(text)).dump(-1, ' ', false, json::error_handler_t::replace);
    return;
  }
  out += '"';
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(text, plain, i - plain);
    plain = i + 1;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default: {
        char escaped[7];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        out += escaped;
      }
    }
  }
  out.append(text, plain, text.size() - plain);
  out += '"';
}

void AppendInt(std::string& out, std::int64_t value) {
  char digits[24];
  const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
  out.append(digits, end);
}

// ",\"key\":value", or without the comma for the object's first member.
void AppendMember(std::string& out, std::string_view key, std::int64_t value,
                  bool first = false) {
  if (!first) out += ',';
  out += '"';
  out += key;
  out += "\":";
  AppendInt(out, value);
}

void AppendEntry(std::string& out, const BoardEntry& e) {
  out += '{';
  AppendMember(out, "bad", e.bad, true);
  AppendMember(out, "clear_type", e.clear_type);
  out += ",\"display_name\":";
  AppendString(out, e.display_name);
  AppendMember(out, "exscore", e.exscore);
  AppendMember(out, "good", e.good);
  AppendMember(out, "great", e.great);
  AppendMember(out, "keymode", e.keymode);
  AppendMember(out, "maxcombo", e.maxcombo);
  AppendMember(out, "minbp", e.minbp);
  AppendMember(out, "notes", e.notes);
  AppendMember(out, "option_packed", e.option_packed);
  AppendMember(out, "pgreat", e.pgreat);
  AppendMember(out, "playcount", e.playcount);
  AppendMember(out, "player_id", e.player_id);
  AppendMember(out, "poor", e.poor);
  AppendMember(out, "rank", e.rank);
  out += '}';
}

bool IsFetchTimeFresh(std::optional<std::int64_t> fetched_at, std::int64_t now) {
  // A negative time is never written; a time ahead of now means the clock moved.
  if (!fetched_at || *fetched_at < 0 || *fetched_at > now) return false;
  return now - *fetched_at < kRankCacheLifetimeSeconds;
}

// The hash as the file holds it once read back: text that is not UTF-8 was written
// with U+FFFD in place of each bad sequence.
std::string HashAsStored(std::string_view hash) {
  if (IsValidUtf8(hash)) return std::string(hash);
  std::string written;
  AppendString(written, hash);
  return json::parse(written).get<std::string>();
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::filesystem::path RankCacheDir() { return PluginFilePath("IR"); }

std::string RankCacheFileName(std::string_view hash) {
  if (hash.size() > 50) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(Crc32(hash)));
    return hex;
  }
  std::string name(hash);
  for (char& c : name) {
    const auto b = static_cast<unsigned char>(c);
    const bool alnum = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    if (!alnum) c = '_';
  }
  return name;
}

std::filesystem::path RankCacheFilePath(std::string_view hash) {
  return RankCacheDir() / (RankCacheFileName(hash) + ".json");
}

std::string RankCacheDocument(std::string_view hash, const IRRankResult& result,
                              const BoardStats& stats, const Board& board,
                              std::int64_t fetched_at) {
  std::string out;
  BuildRankCacheDocument(out, hash, result, stats, board, fetched_at);
  return out;
}

void BuildRankCacheDocument(std::string& out, std::string_view hash, const IRRankResult& result,
                            const BoardStats& stats, const Board& board,
                            std::int64_t fetched_at) {
  out.clear();
  out.reserve(256 + board.entries.size() * 256);
  out += "{\"clear_distribution\":[";
  for (std::size_t i = 0; i < std::size(stats.clear_distribution); ++i) {
    if (i > 0) out += ',';
    AppendInt(out, stats.clear_distribution[i]);
  }
  out += "],\"entries\":[";
  for (std::size_t i = 0; i < board.entries.size(); ++i) {
    if (i > 0) out += ',';
    AppendEntry(out, board.entries[i]);
  }
  out += ']';
  AppendMember(out, "fetched_at", fetched_at);
  out += ",\"hash\":";
  AppendString(out, hash);
  if (board.my_player_id > 0) AppendMember(out, "my_player_id", board.my_player_id);
  AppendMember(out, "my_rank", result.my_rank);
  AppendMember(out, "player_count", result.player_count);
  AppendMember(out, "rank", result.my_rank);
  if (result.total_playcount > 0) AppendMember(out, "total_playcount", result.total_playcount);
  out += '}';
}

void WriteRankCache(std::string_view hash, const IRRankResult& result, const BoardStats& stats,
                    const Board& board, std::string buffer) {
  std::error_code ignored;
  std::filesystem::create_directories(RankCacheDir(), ignored);
  bool written = false;
  try {
    BuildRankCacheDocument(buffer, hash, result, stats, board, UnixTimeSeconds());
    std::ofstream out(RankCacheFilePath(hash), std::ios::binary | std::ios::trunc);
    if (out) {
      out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      out.close();
      written = !out.fail();
    }
  } catch (const std::exception&) {
    // Running out of memory while building the file costs the cache, not the board.
  }
  if (!written) Log("WARN", "rank_cache_write_fail", "hash8=" + Hash8(hash));
}

bool IsCacheFresh(const json& document, std::int64_t now) {
  return IsFetchTimeFresh(JsonInt64(document, "fetched_at"), now);
}

bool ReadRankCache(std::string_view hash, IRRankResult& result) {
  std::ifstream in(RankCacheFilePath(hash), std::ios::binary);
  if (!in) return false;
  IRRankResult local;
  BoardStats stats;
  Board board;
  CacheFileMembers stored;
  // The first JSON value; anything after it is not examined.
  if (!ParseBoard(in, /*whole_text=*/false, local, stats, board, &stored)) return false;
  if (!IsFetchTimeFresh(stored.fetched_at, UnixTimeSeconds())) return false;
  // Different hashes can share a file name ("a-b" and "a_b", or long hashes of equal
  // CRC-32): a file that names another chart is not this chart's board.
  if (stored.hash && *stored.hash != HashAsStored(hash)) return false;
  result = std::move(local);
  return true;
}

void RemoveRankCache(std::string_view hash) {
  if (hash.empty()) return;
  std::error_code ec;
  std::filesystem::remove(RankCacheFilePath(hash), ec);
}

}  // namespace qir
