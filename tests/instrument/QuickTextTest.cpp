// Quick text: the character rules, the file form and the QU/QD exchanges.
#include <gtest/gtest.h>

#include "core/Excption.h"
#include "core/TestHelpers.h"
#include "instrument/FakeSerialLink.h"
#include "instrument/QuickText.h"
#include "instrument/SAComm.h"

using namespace korv;

TEST(QuickText, CharacterRules) {
  EXPECT_EQ(CleanQuickText("Tower #3; north"), "TOWER #3_ NORTH");
  for (unsigned char c : std::string("!\"$%&';<=>?[\\]^`{|}~"))
    EXPECT_TRUE(IsForbiddenQuickTextChar(c)) << c;
  for (unsigned char c : std::string(" #()*+,-./:@_09AZaz"))
    EXPECT_FALSE(IsForbiddenQuickTextChar(c)) << c;
  EXPECT_FALSE(IsForbiddenQuickTextChar(8));
  EXPECT_FALSE(IsForbiddenQuickTextChar(26));
  EXPECT_FALSE(IsForbiddenQuickTextChar(31));
  EXPECT_TRUE(IsForbiddenQuickTextChar(0));
  EXPECT_TRUE(IsForbiddenQuickTextChar(9));
  EXPECT_TRUE(IsForbiddenQuickTextChar(25));
  EXPECT_TRUE(IsForbiddenQuickTextChar(127));
  EXPECT_TRUE(IsForbiddenQuickTextChar(0xE9));
  EXPECT_EQ(CleanQuickText(std::string(60, 'x')), std::string(50, 'X'));
  EXPECT_EQ(CleanQuickText("caf\xC3\xA9"), "CAF__");
}

TEST(QuickText, FileRowsAreThirteen) {
  std::string twenty;
  for (int i = 1; i <= 20; ++i)
    twenty += "row " + std::to_string(i) + "\r\n";
  const TQuickTextList a = ReadQuickTextFile(twenty);
  EXPECT_EQ(a[0], "ROW 1");
  EXPECT_EQ(a[12], "ROW 13");
  const TQuickTextList b = ReadQuickTextFile("alpha\nbeta");
  EXPECT_EQ(b[0], "ALPHA");
  EXPECT_EQ(b[1], "BETA");
  for (std::size_t i = 2; i < b.size(); ++i)
    EXPECT_EQ(b[i], "");
  // Empty rows in the middle stay where they are.
  EXPECT_EQ(ReadQuickTextFile("a\r\n\r\nc\r\n")[2], "C");

  TempDir dir;
  SaveQuickTextFile(dir.File("Quick.txt"), b);
  EXPECT_EQ(LoadQuickTextFile(dir.File("Quick.txt")), b);
}

namespace {

struct QuickAnalyzer {
  FakeSerialLink link;
  TSAComm comm{link};
  std::vector<std::string> rows{"TOWER 3", "", "NORTH"};
  std::vector<std::string> received;
  bool downloading = false;
  bool mute = false;
  QuickAnalyzer() {
    link.SetResponder([this](std::string_view w) -> std::string {
      if (mute) return {};
      std::string cmd(w.substr(0, w.size() - 1));
      if (downloading) {
        if (cmd.empty()) {
          downloading = false;
          rows = received;
          return "\n\r> ";
        }
        received.push_back(cmd);
        return "\r\n:";
      }
      if (cmd.empty()) return "\n\r> ";
      if (cmd == "aaa") return "aaa\n\r?\n\r> ";
      if (cmd == "QU") {
        std::string out = "QU\r\n";
        for (const auto &r : rows)
          out += r + "\r\n";
        return out + "\n\r> ";
      }
      if (cmd == "QD") {
        downloading = true;
        received.clear();
        return "QD\n\r:";
      }
      return cmd + "\n\r?\n\r> ";
    });
  }
};

} // namespace

TEST(QuickTextExchange, LoadAndSendOnlyFilledRows) {
  QuickAnalyzer a;
  const TQuickTextList got = LoadQuickTextFromAnalyzer(a.comm);
  EXPECT_EQ(got[0], "TOWER 3");
  EXPECT_EQ(got[1], "");
  EXPECT_EQ(got[2], "NORTH");
  EXPECT_EQ(got[3], "");
  EXPECT_FALSE(a.link.IsOpen());

  TQuickTextList rows;
  rows[0] = "ONE";
  rows[1] = "TWO";
  rows[2] = "THREE";
  std::vector<int> steps;
  SendQuickTextToAnalyzer(a.comm, rows, [&](int done, int total) {
    EXPECT_EQ(total, 3);
    steps.push_back(done);
  });
  EXPECT_EQ(a.rows, (std::vector<std::string>{"ONE", "TWO", "THREE"}));
  EXPECT_EQ(steps, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_FALSE(a.link.IsOpen());
  // Between "QD" and the final CR only the filled rows went out.
  const std::string w = a.link.Written();
  EXPECT_NE(w.find("QD\rONE\rTWO\rTHREE\r\r"), std::string::npos) << w;
}

TEST(QuickTextExchange, DamagedRowsAreCleanedAndTimeOutsSaySo) {
  QuickAnalyzer a;
  a.rows = {"bad;row", std::string(70, 'q')};
  for (int i = 0; i < 15; ++i)
    a.rows.push_back("extra");
  const TQuickTextList got = LoadQuickTextFromAnalyzer(a.comm);
  EXPECT_EQ(got[0], "BAD_ROW");
  EXPECT_EQ(got[1], std::string(50, 'Q'));
  EXPECT_EQ(got[12], "EXTRA");

  QuickAnalyzer m;
  m.mute = true;
  for (int which = 0; which < 2; ++which) {
    try {
      if (which == 0)
        LoadQuickTextFromAnalyzer(m.comm);
      else
        SendQuickTextToAnalyzer(m.comm, TQuickTextList{});
      FAIL();
    } catch (const EmoxIOTimeOutErr &e) {
      EXPECT_STREQ(e.what(), kMsgNotResponding);
    }
    EXPECT_FALSE(m.link.IsOpen());
  }
}
