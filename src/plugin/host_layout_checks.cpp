// The host lays its records out as 32-bit MSVC does: natural alignment, 4-byte
// pointers, 24-byte strings and 12-byte vectors. These checks hold the plugin's view
// of the records to that layout whenever it is built for a 32-bit target.
#include <cstddef>

#include "QuorvaneIR.h"

namespace {

constexpr bool kThirtyTwoBit = sizeof(void*) == 4;

#define QIR_LAYOUT(expr) static_assert(!kThirtyTwoBit || (expr), #expr)

QIR_LAYOUT(sizeof(std::string) == 24);
QIR_LAYOUT(sizeof(std::vector<int>) == 12);

QIR_LAYOUT(sizeof(MethodTable) == 32);
QIR_LAYOUT(offsetof(MethodTable, GetPluginName) == 0);
QIR_LAYOUT(offsetof(MethodTable, Login) == 4);
QIR_LAYOUT(offsetof(MethodTable, SubmitScore) == 8);
QIR_LAYOUT(offsetof(MethodTable, GetRank) == 12);
QIR_LAYOUT(offsetof(MethodTable, GetRankCached) == 16);
QIR_LAYOUT(offsetof(MethodTable, GetGhost) == 20);
QIR_LAYOUT(offsetof(MethodTable, RankingPageTemplate) == 24);
QIR_LAYOUT(offsetof(MethodTable, GetRankingPageUrl) == 28);

// IRPlayResult, group by group.
QIR_LAYOUT(offsetof(IRPlayResult, hash) == 0);
QIR_LAYOUT(offsetof(IRPlayResult, title) == 24);
QIR_LAYOUT(offsetof(IRPlayResult, subtitle) == 48);
QIR_LAYOUT(offsetof(IRPlayResult, genre) == 72);
QIR_LAYOUT(offsetof(IRPlayResult, artist) == 96);
QIR_LAYOUT(offsetof(IRPlayResult, subartist) == 120);
QIR_LAYOUT(offsetof(IRPlayResult, maxBPM) == 144);
QIR_LAYOUT(offsetof(IRPlayResult, minBPM) == 148);
QIR_LAYOUT(offsetof(IRPlayResult, longnote) == 152);
QIR_LAYOUT(offsetof(IRPlayResult, random) == 156);
QIR_LAYOUT(offsetof(IRPlayResult, judge) == 160);
QIR_LAYOUT(offsetof(IRPlayResult, courseStageCount) == 164);
QIR_LAYOUT(offsetof(IRPlayResult, courseType) == 168);

constexpr std::size_t kSettings = 172;
QIR_LAYOUT(offsetof(IRPlayResult, settings) == kSettings);
QIR_LAYOUT(sizeof(IRPlayResult::Settings) == 140);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, gaugeOption) == 172);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, random) == 176);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, autokey) == 184);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, assist) == 188);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, dpflip) == 196);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, hsfix) == 200);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, randSC) == 204);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, randFix) == 212);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, m_softlanding) == 220);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, m_extra) == 292);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, m_lunaris) == 296);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, m_gas) == 297);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, gomiscore) == 300);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, disablecurspeedchange) == 304);
QIR_LAYOUT(kSettings + offsetof(IRPlayResult::Settings, host_reserved) == 308);

constexpr std::size_t kState = 312;
QIR_LAYOUT(offsetof(IRPlayResult, state) == kState);
QIR_LAYOUT(sizeof(IRPlayResult::State) == 48);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, player) == 312);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, keymode) == 316);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, randomseed) == 320);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, freqSpeedMultiplier) == 328);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, song_runtime) == 336);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, isNosave) == 344);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, isForceEasy) == 345);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, isCourse) == 346);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, courseStageNow) == 348);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, notes_total) == 352);
QIR_LAYOUT(kState + offsetof(IRPlayResult::State, host_reserved) == 356);

constexpr std::size_t kJudgements = 360;
QIR_LAYOUT(offsetof(IRPlayResult, judgements_total) == kJudgements);
QIR_LAYOUT(sizeof(IRPlayResult::JudgementsTotal) == 60);
QIR_LAYOUT(kJudgements + offsetof(IRPlayResult::JudgementsTotal, epg) == 360);
QIR_LAYOUT(kJudgements + offsetof(IRPlayResult::JudgementsTotal, lpr) == 396);
QIR_LAYOUT(kJudgements + offsetof(IRPlayResult::JudgementsTotal, notes_total) == 416);

QIR_LAYOUT(offsetof(IRPlayResult, host_reserved_judgements) == 420);
QIR_LAYOUT(offsetof(IRPlayResult, max_combo) == 1620);
QIR_LAYOUT(offsetof(IRPlayResult, HP) == 1624);
QIR_LAYOUT(offsetof(IRPlayResult, gaugeType) == 1672);
QIR_LAYOUT(offsetof(IRPlayResult, moneyscore) == 1676);
QIR_LAYOUT(offsetof(IRPlayResult, exscore) == 1680);
QIR_LAYOUT(offsetof(IRPlayResult, rate) == 1688);
QIR_LAYOUT(offsetof(IRPlayResult, clearType) == 1696);
QIR_LAYOUT(offsetof(IRPlayResult, inputType) == 1700);
QIR_LAYOUT(offsetof(IRPlayResult, host_reserved_result) == 1704);
QIR_LAYOUT(offsetof(IRPlayResult, ghost) == 37704);
QIR_LAYOUT(offsetof(IRPlayResult, level) == 37728);
QIR_LAYOUT(sizeof(IRPlayResult) == 37736);

QIR_LAYOUT(offsetof(IRRankEntry, display_name) == 0);
QIR_LAYOUT(offsetof(IRRankEntry, host_text) == 24);
QIR_LAYOUT(offsetof(IRRankEntry, host_wide) == 48);
QIR_LAYOUT(offsetof(IRRankEntry, host_value) == 72);
QIR_LAYOUT(offsetof(IRRankEntry, player_id) == 76);
QIR_LAYOUT(offsetof(IRRankEntry, playcount) == 80);
QIR_LAYOUT(offsetof(IRRankEntry, clear_type) == 84);
QIR_LAYOUT(offsetof(IRRankEntry, notes) == 88);
QIR_LAYOUT(offsetof(IRRankEntry, maxcombo) == 92);
QIR_LAYOUT(offsetof(IRRankEntry, pgreat) == 96);
QIR_LAYOUT(offsetof(IRRankEntry, great) == 100);
QIR_LAYOUT(offsetof(IRRankEntry, good) == 104);
QIR_LAYOUT(offsetof(IRRankEntry, bad) == 108);
QIR_LAYOUT(offsetof(IRRankEntry, poor) == 112);
QIR_LAYOUT(offsetof(IRRankEntry, minbp) == 116);
QIR_LAYOUT(offsetof(IRRankEntry, host_counter) == 120);
QIR_LAYOUT(offsetof(IRRankEntry, host_index) == 124);
QIR_LAYOUT(offsetof(IRRankEntry, host_flags) == 128);
QIR_LAYOUT(offsetof(IRRankEntry, host_times) == 136);
QIR_LAYOUT(sizeof(IRRankEntry) == 168);

QIR_LAYOUT(offsetof(IRRankResult, entries) == 0);
QIR_LAYOUT(offsetof(IRRankResult, clear_distribution) == 12);
QIR_LAYOUT(offsetof(IRRankResult, fetched_at) == 40);
QIR_LAYOUT(offsetof(IRRankResult, my_rank) == 48);
QIR_LAYOUT(offsetof(IRRankResult, host_value) == 52);
QIR_LAYOUT(offsetof(IRRankResult, player_count) == 56);
QIR_LAYOUT(offsetof(IRRankResult, total_playcount) == 60);
QIR_LAYOUT(sizeof(IRRankResult) == 64);

QIR_LAYOUT(sizeof(GhostMode) == 4);
QIR_LAYOUT(offsetof(IRGhostResult, display_name) == 0);
QIR_LAYOUT(offsetof(IRGhostResult, ghost_data) == 24);
QIR_LAYOUT(offsetof(IRGhostResult, host_value) == 48);
QIR_LAYOUT(offsetof(IRGhostResult, option_pair) == 56);
QIR_LAYOUT(offsetof(IRGhostResult, option_main) == 64);
QIR_LAYOUT(offsetof(IRGhostResult, random_seed) == 68);
QIR_LAYOUT(offsetof(IRGhostResult, option_flag) == 72);
QIR_LAYOUT(offsetof(IRGhostResult, host_flags) == 73);
QIR_LAYOUT(offsetof(IRGhostResult, average_exscore) == 76);
QIR_LAYOUT(sizeof(IRGhostResult) == 80);

#undef QIR_LAYOUT

}  // namespace
