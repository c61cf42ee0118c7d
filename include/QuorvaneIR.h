// Quorvane IR client plugin: the host interface.
//
// The host loads QuorvaneIR.x86.dll, looks up GetMethodTable by name and calls it
// once with a table it owns. Every record below is shared with the host in memory,
// so members, widths and the unread host stretches must stay exactly where they are.
// Host and plugin use one standard-library string, vector and allocator.
#ifndef QUORVANE_IR_H
#define QUORVANE_IR_H

#include <cstdint>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Play result: read by the submit slot.
struct IRPlayResult {
  // chart ("song")
  std::string hash;
  std::string title;
  std::string subtitle;
  std::string genre;
  std::string artist;
  std::string subartist;
  std::int32_t maxBPM = 0;
  std::int32_t minBPM = 0;
  std::int32_t longnote = 0;
  std::int32_t random = 0;
  std::int32_t judge = 0;
  std::int32_t courseStageCount = 0;
  std::int32_t courseType = 0;

  // play settings ("settings")
  struct Settings {
    std::int32_t gaugeOption = 0;
    std::int32_t random[2] = {0, 0};
    std::int32_t autokey = 0;
    std::int32_t assist[2] = {0, 0};
    std::int32_t dpflip = 0;
    std::int32_t hsfix = 0;
    std::int32_t randSC[2] = {0, 0};
    std::int32_t randFix[2] = {0, 0};
    std::int32_t m_softlanding = 0;
    std::int32_t m_addmine = 0;
    std::int32_t m_addlong = 0;
    std::int32_t m_earthquake = 0;
    std::int32_t m_tornado = 0;
    std::int32_t m_superloop = 0;
    std::int32_t m_gambol = 0;
    std::int32_t m_char = 0;
    std::int32_t m_heartbeat = 0;
    std::int32_t m_loudness = 0;
    std::int32_t m_addnote = 0;
    std::int32_t m_nabeatsu = 0;
    std::int32_t m_accel = 0;
    std::int32_t m_sincurve = 0;
    std::int32_t m_wave = 0;
    std::int32_t m_spiral = 0;
    std::int32_t m_sidejump = 0;
    std::int32_t is_extra = 0;
    std::int32_t m_extra = 0;
    std::uint8_t m_lunaris = 0;
    bool m_gas = false;
    std::int32_t gomiscore = 0;
    std::int32_t disablecurspeedchange = 0;
    std::uint8_t host_reserved[4] = {};
  } settings;

  // play state ("state")
  struct State {
    std::int32_t player = 0;
    std::int32_t keymode = 0;
    std::int32_t randomseed = 0;
    double freqSpeedMultiplier = 0.0;
    double song_runtime = 0.0;
    std::uint8_t isNosave = 0;
    std::uint8_t isForceEasy = 0;
    std::uint8_t isCourse = 0;
    std::int32_t courseStageNow = 0;
    std::int32_t notes_total = 0;
    std::uint8_t host_reserved[4] = {};
  } state;

  // judgement totals ("judgements_total")
  struct JudgementsTotal {
    std::uint32_t epg = 0;
    std::uint32_t lpg = 0;
    std::uint32_t egr = 0;
    std::uint32_t lgr = 0;
    std::uint32_t egd = 0;
    std::uint32_t lgd = 0;
    std::uint32_t ebd = 0;
    std::uint32_t lbd = 0;
    std::uint32_t epr = 0;
    std::uint32_t lpr = 0;
    std::uint32_t cb = 0;
    std::uint32_t fast = 0;
    std::uint32_t slow = 0;
    std::uint32_t notes_played = 0;
    std::uint32_t notes_total = 0;
  } judgements_total;

  std::uint8_t host_reserved_judgements[1200] = {};

  // result (top level of the score document)
  std::uint32_t max_combo = 0;
  double HP[6] = {0, 0, 0, 0, 0, 0};
  std::int32_t gaugeType = 0;
  std::int32_t moneyscore = 0;
  std::int32_t exscore = 0;
  double rate = 0.0;
  std::int32_t clearType = 0;
  std::int32_t inputType = 0;

  std::uint8_t host_reserved_result[36000] = {};

  // ghost and level
  std::string ghost;
  std::int32_t level = 0;
};

// ---------------------------------------------------------------------------
// Ranking board: filled by the ranking slots.
struct IRRankEntry {
  std::string display_name;
  std::string host_text;
  std::int64_t host_wide[3] = {0, 0, 0};
  std::int32_t host_value = 0;
  std::int32_t player_id = 0;
  std::int32_t playcount = 0;
  std::int32_t clear_type = 0;
  std::int32_t notes = 0;
  std::int32_t maxcombo = 0;
  std::int32_t pgreat = 0;
  std::int32_t great = 0;
  std::int32_t good = 0;
  std::int32_t bad = 0;
  std::int32_t poor = 0;
  std::int32_t minbp = 0;
  std::int32_t host_counter = 0;
  std::int32_t host_index = -1;
  std::uint8_t host_flags[4] = {0, 0, 0, 0};
  std::int64_t host_times[4] = {0, 0, 0, 0};
};

struct IRRankResult {
  std::vector<IRRankEntry> entries;
  std::int32_t clear_distribution[6] = {0, 0, 0, 0, 0, 0};
  std::int64_t fetched_at = 0;
  std::int32_t my_rank = 0;
  std::int32_t host_value = 0;
  std::int32_t player_count = 0;
  std::int32_t total_playcount = 0;
};

// ---------------------------------------------------------------------------
// Ghost: filled by the ghost slot.
enum class GhostMode : std::int32_t {
  Target = 0,
  Top = 1,
  Next = 2,
  Average = 3,
};

struct IRGhostResult {
  std::string display_name;
  std::string ghost_data;
  std::int64_t host_value = 0;
  std::int32_t option_pair[2] = {0, 0};
  std::int32_t option_main = 0;
  std::int32_t random_seed = -1;
  bool option_flag = false;
  std::uint8_t host_flags[3] = {0, 0, 0};
  std::int32_t average_exscore = 0;
};

// ---------------------------------------------------------------------------
// Method table: eight pointer-sized slots, cdecl, filled in this order.
struct MethodTable {
  const char* (*GetPluginName)();
  bool (*Login)();
  std::int32_t (*SubmitScore)(const IRPlayResult* play);
  std::int32_t (*GetRank)(const char* hash, std::int32_t unused, IRRankResult* result);
  std::int32_t (*GetRankCached)(const char* hash, std::int32_t unused, IRRankResult* result);
  std::int32_t (*GetGhost)(const char* hash, GhostMode mode, std::int32_t target_player_id,
                           IRGhostResult* result);
  const char* RankingPageTemplate;
  std::string (*GetRankingPageUrl)(const char* hash);
};

extern "C" void GetMethodTable(MethodTable* table);
using GetMethodTableFn = void (*)(MethodTable* table);

#endif  // QUORVANE_IR_H
