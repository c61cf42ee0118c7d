#include "ranking/board_parser.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "net/json_readers.h"
#include "net/reply_members.h"

namespace qir {
namespace {

using nlohmann::json;

// The board is read from the parser's events, not from a json document: a full
// board's document takes six times the reply's size in memory and most of the time
// spent reading it. Every name of a member keeps the conversion of the last value
// under it, then each field takes the first of its names that holds a usable value, as
// JsonInt and JsonString read a document. The names are the reply table's.

// Where the last value under a name is kept: a slot per name of every Integer and Text
// member; the other kinds are read as the reply's structure.
enum class SlotKind : std::uint8_t { Integer, Text, None };

constexpr SlotKind SlotKindOf(MemberKind kind) {
  if (kind == MemberKind::Integer) return SlotKind::Integer;
  if (kind == MemberKind::Text) return SlotKind::Text;
  return SlotKind::None;
}

struct KeyName {
  std::string_view name;
  std::uint8_t member;  // among the reply's members, in table order
  std::uint8_t slot;    // among the slots of its kind
  SlotKind kind;
};

// A member's slots: its names in the order they are read.
struct SlotRange {
  std::uint8_t first = 0;
  std::uint8_t count = 0;
};

template <Reply kReply>
struct ReplyKeys {
  static constexpr auto kMembers = MembersOf<kReply>();

  static constexpr std::size_t Slots(SlotKind kind) {
    std::size_t count = 0;
    for (const ReplyMember* member : kMembers) {
      if (SlotKindOf(member->kind) == kind) count += NamesOf(*member).size();
    }
    return count;
  }

  static constexpr std::size_t kNameCount = [] {
    std::size_t count = 0;
    for (const ReplyMember* member : kMembers) count += NamesOf(*member).size();
    return count;
  }();

  static constexpr std::array<SlotRange, kMembers.size()> kRanges = [] {
    std::array<SlotRange, kMembers.size()> ranges{};
    std::size_t next[3] = {0, 0, 0};
    for (std::size_t m = 0; m < kMembers.size(); ++m) {
      const auto kind = static_cast<std::size_t>(SlotKindOf(kMembers[m]->kind));
      const std::size_t count = NamesOf(*kMembers[m]).size();
      ranges[m] = {static_cast<std::uint8_t>(next[kind]), static_cast<std::uint8_t>(count)};
      next[kind] += count;
    }
    return ranges;
  }();

  // The first names of all members first, then the second ones, and so on: the order
  // servers write them in.
  static constexpr std::array<KeyName, kNameCount> kNames = [] {
    std::array<KeyName, kNameCount> names{};
    std::size_t i = 0;
    for (std::size_t position = 0; position < MemberNames{}.names.size(); ++position) {
      for (std::size_t m = 0; m < kMembers.size(); ++m) {
        const MemberNames member_names = NamesOf(*kMembers[m]);
        if (position >= member_names.size()) continue;
        names[i++] = {member_names[position], static_cast<std::uint8_t>(m),
                      static_cast<std::uint8_t>(kRanges[m].first + position),
                      SlotKindOf(kMembers[m]->kind)};
      }
    }
    return names;
  }();

  static constexpr std::uint8_t Index(std::string_view name) {
    for (std::size_t m = 0; m < kMembers.size(); ++m) {
      if (kMembers[m]->name == name) return static_cast<std::uint8_t>(m);
    }
    throw "no such reply member";
  }

  static constexpr SlotRange All(std::uint8_t member) { return kRanges[member]; }
  static constexpr SlotRange Twins(std::uint8_t member) {
    return {kRanges[member].first, static_cast<std::uint8_t>(TwinCount(*kMembers[member]))};
  }
  static constexpr SlotRange Alternates(std::uint8_t member) {
    const SlotRange twins = Twins(member);
    return {static_cast<std::uint8_t>(twins.first + twins.count),
            static_cast<std::uint8_t>(kRanges[member].count - twins.count)};
  }
};

using TopKeys = ReplyKeys<Reply::Board>;
using EntryKeys = ReplyKeys<Reply::BoardEntry>;

constexpr std::uint8_t kTopEntries = TopKeys::Index("entries");
constexpr std::uint8_t kTopPlayerCount = TopKeys::Index("player_count");
constexpr std::uint8_t kTopTotalPlaycount = TopKeys::Index("total_playcount");
constexpr std::uint8_t kTopClearDistribution = TopKeys::Index("clear_distribution");
constexpr std::uint8_t kTopMyRank = TopKeys::Index("my_rank");
constexpr std::uint8_t kTopMyPlayerId = TopKeys::Index("my_player_id");
constexpr std::uint8_t kTopFetchedAt = TopKeys::Index("fetched_at");
static_assert(TopKeys::kMembers.size() == 7, "a new board member needs its place in Fill");
// Only a cache file carries it: the chart it belongs to.
constexpr std::string_view kCacheHash = "hash";

// The row field each Integer member of a row goes to.
struct EntryField {
  std::string_view member;
  std::int32_t BoardEntry::*field;
};
constexpr EntryField kEntryFields[] = {
    {"rank", &BoardEntry::rank},
    {"player_id", &BoardEntry::player_id},
    {"exscore", &BoardEntry::exscore},
    {"notes", &BoardEntry::notes},
    {"clear_type", &BoardEntry::clear_type},
    {"pgreat", &BoardEntry::pgreat},
    {"great", &BoardEntry::great},
    {"good", &BoardEntry::good},
    {"bad", &BoardEntry::bad},
    {"poor", &BoardEntry::poor},
    {"maxcombo", &BoardEntry::maxcombo},
    {"minbp", &BoardEntry::minbp},
    {"playcount", &BoardEntry::playcount},
    {"option_packed", &BoardEntry::option_packed},
    {"keymode", &BoardEntry::keymode},
};
constexpr std::uint8_t kEntryDisplayName = EntryKeys::Index("display_name");

constexpr bool EveryRowMemberHasItsField() {
  for (const ReplyMember* member : EntryKeys::kMembers) {
    std::size_t fields = 0;
    for (const EntryField& field : kEntryFields) fields += field.member == member->name ? 1 : 0;
    const bool is_name = member == EntryKeys::kMembers[kEntryDisplayName];
    if (member->kind == MemberKind::Integer ? fields != 1 : !is_name) return false;
  }
  return true;
}
static_assert(EveryRowMemberHasItsField(), "each member of a row needs its field in kEntryFields");

struct FieldSlots {
  std::int32_t BoardEntry::*field;
  SlotRange slots;
  std::int32_t fallback;
};
constexpr auto kFieldSlots = [] {
  std::array<FieldSlots, std::size(kEntryFields)> out{};
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::uint8_t member = EntryKeys::Index(kEntryFields[i].member);
    out[i] = {kEntryFields[i].field, EntryKeys::All(member), EntryKeys::kMembers[member]->fallback};
  }
  return out;
}();

// The name's entry, or null. The search starts after the name found last, so rows
// written alike cost one comparison a key.
template <std::size_t N>
const KeyName* Lookup(const std::array<KeyName, N>& names, std::string_view name,
                      std::size_t& last) {
  for (std::size_t step = 1; step <= N; ++step) {
    const std::size_t i = (last + step) % N;
    if (names[i].name.size() == name.size() && names[i].name == name) {
      last = i;
      return &names[i];
    }
  }
  return nullptr;
}

using Int = std::optional<std::int32_t>;

template <std::size_t N>
Int First(const std::array<Int, N>& slots, SlotRange range) {
  for (std::size_t i = range.first; i < std::size_t{range.first} + range.count; ++i) {
    if (slots[i]) return slots[i];
  }
  return std::nullopt;
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
      entry_texts_.fill(std::nullopt);
      where_ = Where::Entry;
    } else {
      Container();
    }
    return true;
  }

  bool start_array(std::size_t) override {
    if (skip_ > 0) {
      ++skip_;
    } else if (where_ == Where::Top && IsTop(kTopEntries)) {
      entries_.clear();
      where_ = Where::Entries;
    } else if (where_ == Where::Top && IsTop(kTopClearDistribution)) {
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
    if (where_ == Where::Top) {
      top_key_ = Lookup(TopKeys::kNames, name, top_found_);
      top_is_hash_ = top_key_ == nullptr && name == kCacheHash;
    }
    if (where_ == Where::Entry) entry_key_ = Lookup(EntryKeys::kNames, name, entry_found_);
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
    // The host's own rank reads the alternate ("rank") first, the board's the twins alone.
    const Int own_rank = First(top, TopKeys::Twins(kTopMyRank));
    const Int other_rank = First(top, TopKeys::Alternates(kTopMyRank));
    result.my_rank = other_rank ? *other_rank : own_rank.value_or(result.my_rank);
    board.my_rank = own_rank.value_or(board.my_rank);
    // The host's player count takes the alternates too, the board and its stats not.
    result.player_count = First(top, TopKeys::All(kTopPlayerCount)).value_or(result.player_count);
    const Int players_named = First(top, TopKeys::Twins(kTopPlayerCount));
    stats.player_count = players_named.value_or(stats.player_count);
    board.player_count = players_named.value_or(board.player_count);
    result.total_playcount =
        First(top, TopKeys::All(kTopTotalPlaycount)).value_or(result.total_playcount);
    if (distribution_usable_) {
      std::copy(distribution_.begin(), distribution_.end(), std::begin(stats.clear_distribution));
    }
    board.my_player_id = First(top, TopKeys::All(kTopMyPlayerId)).value_or(board.my_player_id);
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

  bool IsTop(std::uint8_t member) const { return top_key_ != nullptr && top_key_->member == member; }

  void SetTop(const json* value, const json::string_t* text) {
    if (top_is_hash_) {
      cache_.hash = text != nullptr ? std::optional<std::string>(*text) : std::nullopt;
    } else if (top_key_ == nullptr) {
      return;
    } else if (top_key_->kind == SlotKind::Integer) {
      top_ints_[top_key_->slot] = value != nullptr ? JsonToInt(*value) : std::nullopt;
    } else if (IsTop(kTopFetchedAt)) {
      cache_.fetched_at = value != nullptr ? JsonToInt64(*value) : std::nullopt;
    } else if (IsTop(kTopEntries)) {
      entries_.clear();
    } else if (IsTop(kTopClearDistribution)) {
      distribution_usable_ = false;
    }
  }

  void SetEntry(const json* value, const json::string_t* text) {
    if (entry_key_ == nullptr) return;
    if (entry_key_->kind == SlotKind::Integer) {
      entry_ints_[entry_key_->slot] = value != nullptr ? JsonToInt(*value) : std::nullopt;
    } else if (text != nullptr) {
      entry_texts_[entry_key_->slot] = *text;
    } else {
      entry_texts_[entry_key_->slot].reset();
    }
  }

  void Distribute(std::int32_t value) {
    if (distribution_size_ < distribution_.size()) distribution_[distribution_size_] = value;
    ++distribution_size_;
  }

  // Each field from its own slots, written out field by field by the compiler.
  template <std::size_t... I>
  void FillFields(BoardEntry& entry, std::index_sequence<I...>) const {
    ((entry.*kFieldSlots[I].field =
          First(entry_ints_, kFieldSlots[I].slots).value_or(kFieldSlots[I].fallback)),
     ...);
  }

  BoardEntry Entry() {
    BoardEntry entry;
    FillFields(entry, std::make_index_sequence<kFieldSlots.size()>());
    const SlotRange names = EntryKeys::All(kEntryDisplayName);
    for (std::size_t i = names.first; i < std::size_t{names.first} + names.count; ++i) {
      if (entry_texts_[i]) {
        entry.display_name = std::move(*entry_texts_[i]);
        break;
      }
    }
    return entry;
  }

  Where where_ = Where::Outside;
  std::size_t skip_ = 0;  // depth inside a value nothing is read from
  const KeyName* top_key_ = nullptr;
  bool top_is_hash_ = false;
  const KeyName* entry_key_ = nullptr;
  std::size_t top_found_ = TopKeys::kNames.size() - 1;
  std::size_t entry_found_ = EntryKeys::kNames.size() - 1;
  std::array<Int, TopKeys::Slots(SlotKind::Integer)> top_ints_{};
  CacheFileMembers cache_;
  std::array<std::int32_t, 6> distribution_{};
  std::size_t distribution_size_ = 0;
  bool distribution_usable_ = false;
  std::vector<BoardEntry> entries_;
  std::array<Int, EntryKeys::Slots(SlotKind::Integer)> entry_ints_{};
  std::array<std::optional<std::string>, EntryKeys::Slots(SlotKind::Text)> entry_texts_{};
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
