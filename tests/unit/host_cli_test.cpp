#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "command_line.h"
#include "play_json.h"
#include "records_json.h"

namespace qir::host {
namespace {

using nlohmann::json;

TEST(CommandLine, ParsesEveryCommand) {
  Command c = ParseCommandLine({"--plugin", "p.so", "ghost", "abc", "--mode", "average",
                                "--target", "-5"});
  EXPECT_EQ(c.plugin, "p.so");
  EXPECT_EQ(c.name, "ghost");
  EXPECT_EQ(c.hash, "abc");
  EXPECT_EQ(c.mode, 3);
  EXPECT_EQ(c.target, -5);

  c = ParseCommandLine({"ghost", "--null-hash", "--mode", "7"});
  EXPECT_FALSE(c.hash.has_value());
  EXPECT_EQ(c.mode, 7);

  c = ParseCommandLine({"rank-cached", "h"});
  EXPECT_EQ(c.hash, "h");
  c = ParseCommandLine({"submit", "play.json"});
  EXPECT_EQ(c.play_file, "play.json");
  EXPECT_TRUE(ParseCommandLine({"name", "--help"}).help);
  c = ParseCommandLine({"check-server", "--chart", "c1", "--course", "c2", "--no-submit", "--json"});
  EXPECT_EQ(c.name, "check-server");
  EXPECT_EQ(c.chart, "c1");
  EXPECT_EQ(c.course, "c2");
  EXPECT_TRUE(c.no_submit);
  EXPECT_TRUE(c.json);
  c = ParseCommandLine({"check-server"});
  EXPECT_FALSE(c.chart || c.course || c.no_submit || c.json);
  for (const char* mode : {"target", "top", "next"}) {
    EXPECT_EQ(ParseCommandLine({"ghost", "h", "--mode", mode}).mode,
              std::string(mode) == "target" ? 0 : std::string(mode) == "top" ? 1 : 2);
  }
}

TEST(CommandLine, UsageErrors) {
  const std::vector<std::vector<std::string>> rows = {
      {},
      {"fly"},
      {"name", "extra"},
      {"page-url"},
      {"page-url", "a", "b"},
      {"page-url", "--null-hash", "a"},
      {"rank", "--mode", "top", "h"},
      {"ghost", "h", "--mode", "sideways"},
      {"ghost", "h", "--target", "12x"},
      {"ghost", "h", "--target"},
      {"submit"},
      {"login", "--null-hash"},
      {"name", "--verbose"},
      {"--plugin"},
      {"check-server", "h"},
      {"check-server", "--chart"},
      {"check-server", "--chart", ""},
      {"rank", "h", "--course", "c"},
      {"login", "--no-submit"},
      {"name", "--json"},
  };
  for (const auto& args : rows) {
    EXPECT_THROW(ParseCommandLine(args), std::invalid_argument) << ::testing::PrintToString(args);
  }
}

TEST(PlayJson, FillsTheGroupsAndHexTexts) {
  const json doc = json::parse(R"({
    "song": {"hash": "h1", "title_hex": "8e8b", "random": 3, "level": 12, "courseType": 2},
    "settings": {"random": [4, 5], "assist": [0, 1], "m_lunaris": 200, "m_gas": true},
    "state": {"player": 1, "keymode": 14, "freqSpeedMultiplier": 1.5, "isNosave": 1,
              "notes_total": 900},
    "judgements_total": {"epg": 10, "lpr": 4, "notes_total": 901},
    "max_combo": 77, "HP": [1, 2.5, 3, 4, 5, 6], "rate": 0.975, "clearType": -1,
    "ghost": "gh"
  })");
  IRPlayResult play;
  ReadPlay(doc, play);
  EXPECT_EQ(play.hash, "h1");
  EXPECT_EQ(play.title, "\x8e\x8b");
  EXPECT_EQ(play.random, 3);
  EXPECT_EQ(play.level, 12);
  EXPECT_EQ(play.courseType, 2);
  EXPECT_EQ(play.settings.random[1], 5);
  EXPECT_EQ(play.settings.assist[1], 1);
  EXPECT_EQ(play.settings.m_lunaris, 200);
  EXPECT_TRUE(play.settings.m_gas);
  EXPECT_EQ(play.state.player, 1);
  EXPECT_EQ(play.state.freqSpeedMultiplier, 1.5);
  EXPECT_EQ(play.state.isNosave, 1);
  EXPECT_EQ(play.state.notes_total, 900);
  EXPECT_EQ(play.judgements_total.notes_total, 901u);
  EXPECT_EQ(play.judgements_total.lpr, 4u);
  EXPECT_EQ(play.max_combo, 77u);
  EXPECT_EQ(play.HP[1], 2.5);
  EXPECT_EQ(play.rate, 0.975);
  EXPECT_EQ(play.clearType, -1);
  EXPECT_EQ(play.ghost, "gh");
  EXPECT_EQ(play.subtitle, "");
  EXPECT_EQ(play.exscore, 0);
}

TEST(PlayJson, RefusesMistypedValues) {
  for (const char* text : {R"([])", R"({"song": 1})", R"({"song": {"hash": 5}})",
                           R"({"song": {"title_hex": "abc"}})", R"({"song": {"title_hex": "zz"}})",
                           R"({"exscore": "100"})", R"({"settings": {"assist": [1, 2, 3]}})",
                           R"({"exscore": 3e9})", R"({"max_combo": -1.5e300})",
                           R"({"exscore": "Infinity"})", R"({"rate": "inf"})",
                           R"({"HP": [1, "Infinity ", 2]})"}) {
    IRPlayResult play;
    EXPECT_THROW(ReadPlay(json::parse(text), play), std::runtime_error) << text;
  }
}

TEST(PlayJson, DoublesTakeNonFiniteWords) {
  IRPlayResult play;
  ReadPlay(json::parse(R"({"rate": "Infinity", "HP": [1, "-Infinity", "NaN"],
                           "state": {"freqSpeedMultiplier": "NaN", "song_runtime": "-Infinity"}})"),
           play);
  EXPECT_EQ(play.rate, std::numeric_limits<double>::infinity());
  EXPECT_EQ(play.HP[0], 1.0);
  EXPECT_EQ(play.HP[1], -std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(play.HP[2]));
  EXPECT_TRUE(std::isnan(play.state.freqSpeedMultiplier));
  EXPECT_EQ(play.state.song_runtime, -std::numeric_limits<double>::infinity());
}

TEST(RecordsJson, InvalidUtf8IsReplaced) {
  IRGhostResult ghost;
  ghost.display_name = "a\xFF" "b";
  const std::string out = DumpOutput(GhostJson(ghost));
  EXPECT_NE(out.find("\"display_name\":\"a\xEF\xBF\xBD" "b\""), std::string::npos);
  EXPECT_NE(out.find("\"random_seed\":-1"), std::string::npos);
}

}  // namespace
}  // namespace qir::host
