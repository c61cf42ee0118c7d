#include "ranking/board_parser.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "net/json_readers.h"

namespace qir {
namespace {

using nlohmann::json;

// The board is read from the parser's events, not from a json document: a full
// board's document takes six times the reply's size in memory and most of the time
// spent reading it. Every member keeps the conversion of the last value under its
// key, then each field takes the first of its keys that holds a usable value, as
// JsonInt and JsonString read a document.

enum TopKey : int {
  kTopRank,
  kTopMyRank,
  kTopMyRankCamel,
  kTopPlayerCount,
  kTopPlayerCountCamel,
  kTopTotalPlayer,
  kTopTotalPlayerCamel,
  kTopTotalPlaycount,
  kTopTotalPlaycountCamel,
  kTopMyPlayerId,
  kTopMyPlayerIdCamel,
  kTopIntKeys,
  kTopFetchedAt = kTopIntKeys,
  kTopHash,
  kTopClearDistribution,
  kTopEntries,
  kTopUnknown,
};

enum EntryKey : int {
  kRank,
  kPlayerId,
  kPlayerIdCamel,
  kExscore,
  kNotes,
  kClearType,
  kClearTypeCamel,
  kPgreat,
  kGreat,
  kGood,
  kBad,
  kPoor,
  kMaxcombo,
  kMinbp,
  kPlaycount,
  kOptionPacked,
  kOptionPackedCamel,
  kKeymode,
  kEntryIntKeys,
  kDisplayName = kEntryIntKeys,
  kDisplayNameCamel,
  kEntryUnknown,
};

struct KeyName {
  std::string_view name;
  int key;
};

// In the order the server writes them; the search starts after the key found last,
// so rows written alike cost one comparison a key.
constexpr KeyName kTopKeyNames[] = {
    {"entries", kTopEntries},
    {"player_count", kTopPlayerCount},
    {"total_playcount", kTopTotalPlaycount},
    {"clear_distribution", kTopClearDistribution},
    {"my_rank", kTopMyRank},
    {"my_player_id", kTopMyPlayerId},
    {"fetched_at", kTopFetchedAt},
    {"hash", kTopHash},
    {"rank", kTopRank},
    {"myRank", kTopMyRankCamel},
    {"playerCount", kTopPlayerCountCamel},
    {"total_player", kTopTotalPlayer},
    {"totalPlayer", kTopTotalPlayerCamel},
    {"totalPlaycount", kTopTotalPlaycountCamel},
    {"myPlayerId", kTopMyPlayerIdCamel},
};

constexpr KeyName kEntryKeyNames[] = {
    {"rank", kRank},
    {"player_id", kPlayerId},
    {"display_name", kDisplayName},
    {"exscore", kExscore},
    {"notes", kNotes},
    {"clear_type", kClearType},
    {"pgreat", kPgreat},
    {"great", kGreat},
    {"good", kGood},
    {"bad", kBad},
    {"poor", kPoor},
    {"maxcombo", kMaxcombo},
    {"minbp", kMinbp},
    {"playcount", kPlaycount},
    {"option_packed", kOptionPacked},
    {"keymode", kKeymode},
    {"playerId", kPlayerIdCamel},
    {"displayName", kDisplayNameCamel},
    {"clearType", kClearTypeCamel},
    {"optionPacked", kOptionPackedCamel},
};

template <std::size_t N>
int Lookup(const KeyName (&names)[N], std::string_view name, std::size_t& last, int unknown) {
  for (std::size_t step = 1; step <= N; ++step) {
    const std::size_t i = (last + step) % N;
    if (names[i].name.size() == name.size() && names[i].name == name) {
      last = i;
      return names[i].key;
    }
  }
  return unknown;
}

using Int = std::optional<std::int32_t>;

template <std::size_t N>
std::int32_t First(const std::array<Int, N>& members, std::initializer_list<int> keys,
                   std::int32_t fallback) {
  for (const int key : keys) {
    if (members[static_cast<std::size_t>(key)]) return *members[static_cast<std::size_t>(key)];
  }
  return fallback;
}

class BoardReader final : public json::json_sax_t {
 public:
  bool null() override { return Scalar(nullptr, nullptr); }
  bool boolean(bool value) override {
    const json number(value);
    return Scalar(&number, nullptr);
  }
  bool number_integer(json::number_integer_t value) override {
    const json number(value);
    return Scalar(&number, nullptr);
  }
  bool number_unsigned(json::number_unsigned_t value) override {
    const json number(value);
    return Scalar(&number, nullptr);
  }
  bool number_float(json::number_float_t value, const json::string_t&) override {
    const json number(value);
    return Scalar(&number, nullptr);
  }
  bool string(json::string_t& value) override { return Scalar(nullptr, &value); }
  bool binary(json::binary_t&) override { return Scalar(nullptr, nullptr); }

  bool start_object(std::size_t) override {
    if (skip_ > 0) {
      ++skip_;
    } else if (where_ == Where::Outside) {
      where_ = Where::Top;
    } else if (where_ == Where::Entries) {
      entry_ints_.fill(std::nullopt);
      names_.fill(std::nullopt);
      where_ = Where::Entry;
    } else {
      Container();
    }
    return true;
  }

  bool start_array(std::size_t) override {
    if (skip_ > 0) {
      ++skip_;
    } else if (where_ == Where::Top && top_key_ == kTopEntries) {
      entries_.clear();
      where_ = Where::Entries;
    } else if (where_ == Where::Top && top_key_ == kTopClearDistribution) {
      distribution_.fill(0);
      distribution_size_ = 0;
      where_ = Where::Distribution;
    } else if (where_ == Where::Outside) {
      where_ = Where::Done;
      skip_ = 1;
    } else if (where_ == Where::Entries) {
      skip_ = 1;  // not an object: no row
    } else {
      Container();
    }
    return true;
  }

  bool key(json::string_t& name) override {
    if (skip_ > 0) return true;
    if (where_ == Where::Top) top_key_ = Lookup(kTopKeyNames, name, top_found_, kTopUnknown);
    if (where_ == Where::Entry) {
      entry_key_ = Lookup(kEntryKeyNames, name, entry_found_, kEntryUnknown);
    }
    return true;
  }

  bool end_object() override {
    if (skip_ > 0) {
      --skip_;
    } else if (where_ == Where::Entry) {
      entries_.push_back(Entry());
      where_ = Where::Entries;
    } else {
      where_ = Where::Done;
    }
    return true;
  }

  bool end_array() override {
    if (skip_ > 0) {
      --skip_;
    } else {
      if (where_ == Where::Distribution) distribution_usable_ = distribution_size_ >= 6;
      where_ = Where::Top;
    }
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

  void Fill(IRRankResult& result, BoardStats& stats, Board& board,
            CacheFileMembers* cache_members) {
    const auto& top = top_ints_;
    result.my_rank = First(top, {kTopRank, kTopMyRank, kTopMyRankCamel}, result.my_rank);
    result.player_count = First(
        top, {kTopPlayerCount, kTopPlayerCountCamel, kTopTotalPlayer, kTopTotalPlayerCamel},
        result.player_count);
    result.total_playcount =
        First(top, {kTopTotalPlaycount, kTopTotalPlaycountCamel}, result.total_playcount);
    stats.player_count = First(top, {kTopPlayerCount, kTopPlayerCountCamel}, stats.player_count);
    if (distribution_usable_) {
      std::copy(distribution_.begin(), distribution_.end(), std::begin(stats.clear_distribution));
    }
    board.player_count = First(top, {kTopPlayerCount, kTopPlayerCountCamel}, board.player_count);
    board.my_rank = First(top, {kTopMyRank, kTopMyRankCamel}, board.my_rank);
    board.my_player_id = First(top, {kTopMyPlayerId, kTopMyPlayerIdCamel}, board.my_player_id);
    if (board.entries.empty()) {
      board.entries = std::move(entries_);
    } else {
      std::move(entries_.begin(), entries_.end(), std::back_inserter(board.entries));
    }

    // A positive own rank from "my_rank" wins over "rank".
    if (board.my_rank > 0) {
      result.my_rank = board.my_rank;
    } else if (result.my_rank > 0) {
      board.my_rank = result.my_rank;
    }
    const std::int32_t players =
        std::max({result.player_count, stats.player_count, board.player_count});
    if (players > 0) result.player_count = stats.player_count = board.player_count = players;

    std::copy(std::begin(stats.clear_distribution), std::end(stats.clear_distribution),
              std::begin(result.clear_distribution));

    result.entries.clear();
    result.entries.shrink_to_fit();
    result.entries.reserve(board.entries.size());
    for (const BoardEntry& entry : board.entries) result.entries.push_back(MakeHostEntry(entry));

    if (cache_.fetched_at) result.fetched_at = *cache_.fetched_at;
    if (cache_members != nullptr) *cache_members = std::move(cache_);
  }

 private:
  enum class Where { Outside, Top, Distribution, Entries, Entry, Done };

  // A number or boolean (value), a string (text) or null (neither).
  bool Scalar(const json* value, const json::string_t* text) {
    if (skip_ > 0) return true;
    switch (where_) {
      case Where::Outside:
        where_ = Where::Done;
        break;
      case Where::Top:
        SetTop(value, text);
        break;
      case Where::Distribution:
        Distribute(value != nullptr ? JsonToInt(*value).value_or(0) : 0);
        break;
      case Where::Entry:
        SetEntry(value, text);
        break;
      case Where::Entries:  // not an object: no row
      case Where::Done:
        break;
    }
    return true;
  }

  // An object or array where a scalar field or a row's member stands: unusable.
  void Container() {
    if (where_ == Where::Top) SetTop(nullptr, nullptr);
    if (where_ == Where::Entry) SetEntry(nullptr, nullptr);
    if (where_ == Where::Distribution) Distribute(0);
    skip_ = 1;
  }

  void SetTop(const json* value, const json::string_t* text) {
    if (top_key_ < kTopIntKeys) {
      top_ints_[static_cast<std::size_t>(top_key_)] =
          value != nullptr ? JsonToInt(*value) : std::nullopt;
    } else if (top_key_ == kTopFetchedAt) {
      cache_.fetched_at = value != nullptr ? JsonToInt64(*value) : std::nullopt;
    } else if (top_key_ == kTopHash) {
      cache_.hash = text != nullptr ? std::optional<std::string>(*text) : std::nullopt;
    } else if (top_key_ == kTopEntries) {
      entries_.clear();
    } else if (top_key_ == kTopClearDistribution) {
      distribution_usable_ = false;
    }
  }

  void SetEntry(const json* value, const json::string_t* text) {
    if (entry_key_ < kEntryIntKeys) {
      entry_ints_[static_cast<std::size_t>(entry_key_)] =
          value != nullptr ? JsonToInt(*value) : std::nullopt;
    } else if (entry_key_ != kEntryUnknown) {
      auto& name = names_[static_cast<std::size_t>(entry_key_ - kDisplayName)];
      if (text != nullptr) {
        name = *text;
      } else {
        name.reset();
      }
    }
  }

  void Distribute(std::int32_t value) {
    if (distribution_size_ < distribution_.size()) distribution_[distribution_size_] = value;
    ++distribution_size_;
  }

  BoardEntry Entry() {
    const auto& m = entry_ints_;
    BoardEntry entry;
    entry.rank = First(m, {kRank}, 0);
    entry.player_id = First(m, {kPlayerId, kPlayerIdCamel}, 0);
    entry.exscore = First(m, {kExscore}, 0);
    entry.notes = First(m, {kNotes}, 0);
    entry.clear_type = First(m, {kClearType, kClearTypeCamel}, 0);
    entry.pgreat = First(m, {kPgreat}, 0);
    entry.great = First(m, {kGreat}, 0);
    entry.good = First(m, {kGood}, 0);
    entry.bad = First(m, {kBad}, 0);
    entry.poor = First(m, {kPoor}, 0);
    entry.maxcombo = First(m, {kMaxcombo}, 0);
    entry.minbp = First(m, {kMinbp}, 0);
    entry.playcount = First(m, {kPlaycount}, 0);
    entry.option_packed = First(m, {kOptionPacked, kOptionPackedCamel}, 0);
    entry.keymode = First(m, {kKeymode}, 0);
    for (auto& name : names_) {
      if (name) {
        entry.display_name = std::move(*name);
        break;
      }
    }
    return entry;
  }

  Where where_ = Where::Outside;
  std::size_t skip_ = 0;  // depth inside a value nothing is read from
  int top_key_ = kTopUnknown;
  int entry_key_ = kEntryUnknown;
  std::size_t top_found_ = std::size(kTopKeyNames) - 1;
  std::size_t entry_found_ = std::size(kEntryKeyNames) - 1;
  std::array<Int, kTopIntKeys> top_ints_{};
  CacheFileMembers cache_;
  std::array<std::int32_t, 6> distribution_{};
  std::size_t distribution_size_ = 0;
  bool distribution_usable_ = false;
  std::vector<BoardEntry> entries_;
  std::array<Int, kEntryIntKeys> entry_ints_{};
  std::array<std::optional<std::string>, 2> names_{};
};

template <typename Input>
bool Parse(Input&& text, bool whole_text, IRRankResult& result, BoardStats& stats, Board& board,
           CacheFileMembers* cache_members) {
  BoardReader reader;
  if (!json::sax_parse(std::forward<Input>(text), &reader, json::input_format_t::json,
                       whole_text)) {
    return false;
  }
  reader.Fill(result, stats, board, cache_members);
  return true;
}

}  // namespace

bool ParseBoard(std::string_view text, bool whole_text, IRRankResult& result, BoardStats& stats,
                Board& board, CacheFileMembers* cache_members) {
  return Parse(text, whole_text, result, stats, board, cache_members);
}

bool ParseBoard(std::istream& text, bool whole_text, IRRankResult& result, BoardStats& stats,
                Board& board, CacheFileMembers* cache_members) {
  return Parse(text, whole_text, result, stats, board, cache_members);
}

}  // namespace qir
