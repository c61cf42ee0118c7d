#include "diag/plugin_files.h"
#include "diag/text_file.h"
#include "fake_os.h"

namespace qir {
namespace {

using testing::FakeOsTest;

class PluginFilesTest : public FakeOsTest {};

TEST_F(PluginFilesTest, PluginDirectoryIsTheLibrarysFolder) {
  EXPECT_EQ(PluginDirectory(), dir());
  module_lookup_fails = true;
  EXPECT_EQ(PluginDirectory(), std::filesystem::path());
}

struct KeyCase {
  const char* name;
  std::string content;
  std::string key;
};

TEST_F(PluginFilesTest, KeyFileContents) {
  const std::string k32 = "0123456789abcdef0123456789ABCDEF";
  const KeyCase cases[] = {
      {"forty characters on one line", k32 + "01234567", k32},
      {"32 characters and CR LF", k32 + "\r\n", k32},
      {"short key and LF", "short12345\n", "short12345"},
      {"short key and CR LF", "short12345\r\n", "short12345"},
      {"byte-order mark", "\xEF\xBB\xBF" + k32 + "\r\n", k32},
      {"trailing blanks and tabs", "key \t \r\n\n", "key"},
      {"inner blank and non-ASCII kept", " a b\xC3\xA9", " a b\xC3\xA9"},
      {"leading blank kept", "  key", "  key"},
      {"only a line break", "\r\n", ""},
      {"empty", "", ""},
      {"bare byte-order mark", "\xEF\xBB\xBF", ""},
  };
  for (const KeyCase& c : cases) {
    WriteFile(dir() / "key.txt", c.content);
    EXPECT_EQ(ReadApiKey(), c.key) << c.name;
  }
}

TEST_F(PluginFilesTest, MissingKeyFileGivesNoKey) { EXPECT_EQ(ReadApiKey(), ""); }

TEST_F(PluginFilesTest, KeyIsReadAfreshEveryTime) {
  WriteFile(dir() / "key.txt", "first");
  EXPECT_EQ(ReadApiKey(), "first");
  WriteFile(dir() / "key.txt", "second");
  EXPECT_EQ(ReadApiKey(), "second");
}

TEST(TextFile, OnlyCrLfPairsBecomeLineFeeds) {
  EXPECT_EQ(NormalizeLineBreaks("a\r\nb\rc\n\r\r\n"), "a\nb\rc\n\r\n");
  EXPECT_EQ(NormalizeLineBreaks("\r"), "\r");
}

}  // namespace
}  // namespace qir
