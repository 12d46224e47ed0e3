#include <gtest/gtest.h>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "instrument/FakeSerialLink.h"
#include "instrument/QtSerialLink.h"
#include "instrument/SAComm.h"

using namespace korv;

namespace {

struct Link {
  FakeSerialLink fake;
  TSAComm comm{fake};
  Link() { comm.Open(); }
};

double Day(int y, int m, int d, int h = 0, int mi = 0) { return EncodeDateTime(TCivilTime{y, m, d, h, mi, 0}); }

} // namespace

TEST(SAComm, LineAssembler) {
  Link l;
  l.fake.Feed("abc\rdef\r\n");
  l.comm.ReadLines(1, 100);
  ASSERT_EQ(l.comm.ReplyLines.size(), 1U);
  EXPECT_EQ(l.comm.ReplyLines[0], "abcdef");
  l.comm.ReplyLines.clear();
  l.fake.Feed("x\r\n\r\n");
  l.comm.ReadLines(2, 100);
  EXPECT_EQ(l.comm.ReplyLines, (std::vector<std::string>{"x", ""}));
  // Bytes that arrive one at a time make the same lines.
  l.comm.ReplyLines.clear();
  l.fake.SetChunk(1);
  l.fake.Feed("12,34\n\r56\n\r");
  l.comm.ReadLines(2, 100);
  EXPECT_EQ(l.comm.ReplyLines, (std::vector<std::string>{"12,34", "56"}));
}

TEST(SAComm, DeadlineCoversTheWholeRead) {
  Link l;
  l.fake.Feed("one\n\rtw");
  try {
    l.comm.ReadLines(2, 1000);
    FAIL();
  } catch (const EmoxIOTimeOutErr &e) {
    EXPECT_STREQ(e.what(), kMsgTimeOut);
  }
  EXPECT_EQ(l.comm.ReplyLines, (std::vector<std::string>{"one"}));
  EXPECT_THROW(l.comm.ReadBytes(3, 500), EmoxIOTimeOutErr);
  // A reader that never sees its end stops at the deadline even while bytes keep coming.
  l.fake.SetResponder({});
  l.fake.Feed(std::string(20000, 'z'));
  EXPECT_THROW(l.comm.ReadToPrompt(false), EmoxIOTimeOutErr);
}

TEST(SAComm, ListingDropsEchoAndStopsAtPrompt) {
  Link l;
  l.fake.SetResponder([](std::string_view w) -> std::string {
    if (w == "TF,?\r")
      return "TF,?\n\r\"A\",05-Jan-2003 12:07,1\n\r\"B\",06-Jan-2003 10:00,2\n\rStored: 2\n\rFree: 298\n\r> ";
    return {};
  });
  l.comm.ReadTraceDirectory();
  EXPECT_EQ(l.comm.ReplyLines, (std::vector<std::string>{"\"A\",05-Jan-2003 12:07,1", "\"B\",06-Jan-2003 10:00,2",
                                                         "Stored: 2", "Free: 298"}));
}

TEST(SAComm, CutOffDirectoryReturnsWhatArrived) {
  Link l;
  l.fake.SetResponder([](std::string_view) -> std::string { return "TF,?\n\r\"A\",05-Jan-2003 12:07,1\n\r\"B\",0"; });
  const auto start = l.fake.NowMs();
  EXPECT_NO_THROW(l.comm.ReadTraceDirectory());
  EXPECT_GE(l.fake.NowMs() - start, 15000);
  EXPECT_EQ(l.comm.ReplyLines, (std::vector<std::string>{"\"A\",05-Jan-2003 12:07,1"}));
}

TEST(SAComm, ReadTraceLocationsAndEmptySlot) {
  Link l;
  l.fake.SetResponder([](std::string_view w) -> std::string {
    const std::string cmd(w.substr(0, w.size() - 1));
    return cmd + "\n\r?\n\r> ";
  });
  try {
    l.comm.ReadTrace(500, Day(2003, 3, 15));
    FAIL();
  } catch (const EmoxIOError &e) {
    EXPECT_STREQ(e.what(), kMsgNoTraceStored);
  }
  EXPECT_EQ(l.fake.Written(), "TU C\r");
  l.comm.ReplyLines.clear();
  EXPECT_THROW(l.comm.ReadTrace(12, Day(2003, 3, 15)), EmoxIOError);
  EXPECT_EQ(l.fake.Written(), "TU C\rTU 12\r");
}

TEST(SAComm, ReadTraceLineCountsByGeneration) {
  auto body = [](int lines) {
    std::string s = "TU 3\n\r";
    for (int i = 0; i < lines; ++i)
      s += "1,2\n\r";
    return s;
  };
  struct Case {
    double firmware;
    bool qe;
    std::size_t lines;
  };
  for (const Case c :
       {Case{Day(2001, 7, 31), false, 257}, Case{Day(2001, 8, 1), false, 253}, Case{Day(2002, 4, 1), false, 256}}) {
    Link l;
    l.comm.QEModel = c.qe;
    l.fake.SetResponder([&](std::string_view) { return body(300) + "XY\n\r> "; });
    l.comm.ReadTrace(3, c.firmware);
    EXPECT_EQ(l.comm.ReplyLines.size(), c.lines);
  }
  // QE, third generation: 16 lines, then as many as line 17 says, then the check line.
  Link l;
  l.comm.QEModel = true;
  l.fake.SetResponder([](std::string_view) {
    std::string s = "TU 3\n\r\"L\"\n\r";
    for (int i = 2; i < 17; ++i)
      s += "0\n\r";
    s += "5\n\r";
    for (int i = 0; i < 5; ++i)
      s += "-100,7\n\r";
    return s + "\x0D\x0A\n\r> ";
  });
  int lastProgress = 0;
  l.comm.SetLineProgress([&](int n) { lastProgress = n; });
  l.comm.ReadTrace(3, Day(2004, 1, 1));
  ASSERT_EQ(l.comm.ReplyLines.size(), 24U);
  EXPECT_EQ(lastProgress, 23); // every line but the check line, which ends at the prompt
  EXPECT_EQ(l.comm.ReplyLines[17], "5");
  // The check line keeps its raw bytes, even CR and LF.
  EXPECT_EQ(l.comm.ReplyLines[23], "\x0D\x0A\n\r> ");
}

TEST(SAComm, QECountIsChecked) {
  Link l;
  l.comm.QEModel = true;
  l.fake.SetResponder([](std::string_view) {
    std::string s = "TU 3\n\r\"L\"\n\r";
    for (int i = 2; i < 17; ++i)
      s += "0\n\r";
    return s + "2000000000\n\r";
  });
  EXPECT_THROW(l.comm.ReadTrace(3, Day(2004, 1, 1)), EmoxIOInvalidTraceError);
}

TEST(SAComm, StatusEchoRules) {
  {
    Link l;
    l.fake.SetResponder([](std::string_view) -> std::string { return "LX-3400QE,V2,15Mar03\n\r> "; });
    EXPECT_EQ(l.comm.ReadStatusWithDate(), "01Jan99");
    EXPECT_FALSE(l.comm.QEModel);
  }
  {
    Link l;
    l.fake.SetResponder([](std::string_view) -> std::string { return "ST,?\n\rLX-3400QE,V2,15Mar03\n\r> "; });
    EXPECT_EQ(l.comm.ReadStatusWithDate(), "15Mar03");
    EXPECT_TRUE(l.comm.QEModel);
    EXPECT_EQ(l.comm.ReplyLines, (std::vector<std::string>{"V2,15Mar03"}));
    EXPECT_EQ(l.comm.Ring().Count(), 0); // the prompt was taken
    l.comm.ReplyLines.clear();
    EXPECT_EQ(l.comm.ReadStatus(), "LX-3400QE,V2,15Mar03");
  }
  {
    Link l;
    l.fake.SetResponder([](std::string_view) -> std::string { return "ST,?\n\rHP-8712,V2,15Mar03\n\r> "; });
    EXPECT_EQ(l.comm.ReadStatus(), "");
  }
  {
    Link l; // an RT tester answers at once: its first line is kept
    l.fake.SetResponder([](std::string_view) -> std::string { return "RT-500 V1\r\n"; });
    l.comm.ProbeStatus();
    EXPECT_EQ(l.comm.ReplyLines, (std::vector<std::string>{"RT-500 V1"}));
  }
  {
    Link l; // an analyzer's echo is dropped
    l.fake.SetResponder([](std::string_view) -> std::string { return "ST,?\n\rLX-3100,V2,01Jun99\n\r> "; });
    l.comm.ProbeStatus();
    EXPECT_EQ(l.comm.ReplyLines, (std::vector<std::string>{"LX-3100,V2,01Jun99"}));
  }
}

TEST(SAComm, FullOutputBufferLeavesCommandUnsent) {
  Link l;
  l.fake.SetOutputRoom(3);
  l.fake.SetResponder([](std::string_view) -> std::string { return "ST,?\n\rLX-3100,V2,01Jun99\n\r> "; });
  EXPECT_THROW(l.comm.ReadStatus(), EmoxIOTimeOutErr);
  EXPECT_EQ(l.fake.Written(), "");
}

TEST(SAComm, WakeAndDelete) {
  Link l;
  l.fake.SetResponder([](std::string_view w) -> std::string {
    if (w == "\r") return "\n\r> ";
    if (w == "aaa\r") return "aaa\n\r?\n\r> ";
    if (w == "TE,4\r") return "TE,4\n\r> ";
    if (w == "TE,5\r") return "TE,5\n\r?\n\r> ";
    return {};
  });
  EXPECT_NO_THROW(l.comm.WakeAnalyzer());
  EXPECT_NO_THROW(l.comm.DeleteStoredTrace(4));
  try {
    l.comm.DeleteStoredTrace(5);
    FAIL();
  } catch (const EmoxIODeviceErr &e) {
    EXPECT_STREQ(e.what(), kMsgDeleteError);
  }
  EXPECT_THROW(l.comm.DeleteStoredTrace(6), EmoxIOTimeOutErr);
}

TEST(SAComm, RtBlocks) {
  Link l;
  l.fake.SetResponder([](std::string_view w) -> std::string {
    if (w == "TF,?\r") return "1,0,1,0,0,0,0,0,0,0,0,1\r\n";
    if (w == "TU,2,0\r") return "?\r\n";
    return {};
  });
  l.fake.Feed("stale"); // left over from an earlier exchange
  l.comm.RtReadDirectory();
  EXPECT_EQ(l.comm.ReplyLength, 25);
  EXPECT_EQ(l.comm.ReplyBytes[2 * 2], '1');
  EXPECT_EQ(l.comm.ReplyBytes[2 * 1], '0');
  try {
    l.comm.RtReadTrace(2);
    FAIL();
  } catch (const EmoxIOError &e) {
    EXPECT_STREQ(e.what(), kMsgRtDeviceError);
  }
  EXPECT_EQ(l.fake.InputFlushes(), 1);
  EXPECT_EQ(l.fake.OutputFlushes(), 1);
  EXPECT_THROW(l.comm.RtReadStatus(), EmoxIOTimeOutErr);
}

TEST(SAComm, SiteMasterExchanges) {
  Link l;
  l.fake.SetResponder([](std::string_view w) -> std::string {
    if (w == "E") return std::string("\x00\x0BS331abcdefg", 13);
    if (w == std::string("\x11\x07", 2)) return std::string("\x00\x09", 2) + std::string(9, 'z');
    if (w == std::string("\x11\x08", 2)) return std::string("\x02\x5A", 2) + std::string(602, 'q');
    if (w == "\xFF") return "\xFF";
    return {};
  });
  EXPECT_EQ(l.comm.SiteMasterIdentify(), "S331");
  l.comm.SiteMasterReadTrace(7);
  EXPECT_EQ(l.comm.ReplyLength, 11);
  l.comm.SiteMasterReadTrace(8);
  EXPECT_EQ(l.comm.ReplyLength, 604);
  EXPECT_EQ(l.comm.ReplyWord(0), 602U);
  EXPECT_NO_THROW(l.comm.SiteMasterRelease());
  EXPECT_THROW(l.comm.SiteMasterReadTrace(9), EmoxIOTimeOutErr); // silent: no length word
}

TEST(SAComm, DecodingHelpers) {
  Link l;
  l.comm.ReplyBytes[10] = 0x12;
  l.comm.ReplyBytes[11] = 0x34;
  l.comm.ReplyBytes[12] = 0xFF;
  l.comm.ReplyBytes[13] = 0x01;
  EXPECT_EQ(l.comm.ReplyWord(10), 0x1234U);
  EXPECT_DOUBLE_EQ(l.comm.ReplyLong(10), static_cast<double>(0x1234FF01U));
  EXPECT_FLOAT_EQ(TSAComm::WordToSingle(0xFF, 0xFF), 65535.0F);
  EXPECT_FLOAT_EQ(TSAComm::TenthsToSingle(0xFF, 0xFE), -0.2F);
  EXPECT_THROW(l.comm.ReplyWord(kReplyBytesSize - 1), EmoxIOSizeErr);
  EXPECT_THROW(l.comm.ReadBytes(kReplyBytesSize + 1, 10), EmoxIOSizeErr);
}

TEST(SAComm, AnalyzerDates) {
  EXPECT_DOUBLE_EQ(ParseAnalyzerDate("15Mar03"), Day(2003, 3, 15));
  EXPECT_DOUBLE_EQ(ParseAnalyzerDate("01Jan99"), Day(1999, 1, 1));
  EXPECT_DOUBLE_EQ(ParseAnalyzerDate("01jan2001"), Day(2001, 1, 1));
  EXPECT_DOUBLE_EQ(ParseAnalyzerDate("05-Jan-2003 12:07"), Day(2003, 1, 5, 12, 7));
  EXPECT_DOUBLE_EQ(ParseAnalyzerDate("05Jan2003 23:59"), Day(2003, 1, 5, 23, 59));
  try {
    ParseAnalyzerDate("15Xyz03");
    FAIL();
  } catch (const Exception &e) {
    EXPECT_STREQ(e.what(), "Invalid month name: Xyz");
  }
  EXPECT_THROW(ParseAnalyzerDate("1"), Exception);
  EXPECT_THROW(ParseAnalyzerDate("31Feb03"), Exception);
}

TEST(SAComm, OpenFailureCarriesThePortMessage) {
  FakeSerialLink fake;
  fake.SetOpenError("Permission denied");
  TSAComm comm(fake);
  try {
    comm.Open();
    FAIL();
  } catch (const EmoxIODeviceErr &e) {
    EXPECT_STREQ(e.what(), "Permission denied");
  }
}

TEST(SerialDevice, NamesThatAreNoSerialDeviceNeverReachThePort) {
  EXPECT_EQ(SerialDeviceProblem(""), "No serial device is named.");
  // NUL bytes from a damaged settings file; c_str() would see "/dev/pts/".
  EXPECT_EQ(SerialDeviceProblem(std::string("/dev/pts/\0\0", 11)),
            "The serial device name \"/dev/pts/\\x00\\x00\" holds control characters.");
  EXPECT_EQ(SerialDeviceProblem("/dev/tty\x1B[2J"),
            "The serial device name \"/dev/tty\\x1B[2J\" holds control characters.");
  EXPECT_EQ(SerialDeviceProblem("/dev/pts/"), "The serial device \"/dev/pts/\" is not a character device.");
  EXPECT_EQ(SerialDeviceProblem("/no/such/tty"), "The serial device \"/no/such/tty\": No such file or directory");
  EXPECT_EQ(SerialDeviceProblem("/dev/null"), "");
  // The real backend checks before it opens anything.
  QtSerialLink link(std::string("/dev/pts/\0", 10));
  try {
    link.Open();
    FAIL();
  } catch (const EmoxIODeviceErr &e) {
    EXPECT_STREQ(e.what(), "The serial device name \"/dev/pts/\\x00\" holds control characters.");
  }
  EXPECT_FALSE(link.IsOpen());
  EXPECT_THROW(QtSerialLink::ResolvePort(1, "/tmp"), EmoxIODeviceErr);
}
