#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/TestHelpers.h"
#include "settings/IniFile.h"

using korv::TIniFile;

TEST(IniFile, LookupIgnoresCaseAndSpacesAndStripsQuotes) {
  const TIniFile ini = TIniFile::FromText("; comment\n[Options]\n  ViewStyle = 2 \nName=\"a b\"\n[other]\nx=1\n");
  EXPECT_EQ(ini.ReadInteger("OPTIONS", "viewstyle", 0), 2);
  EXPECT_EQ(ini.ReadString("options", "NAME", ""), "a b");
  EXPECT_EQ(ini.ReadInteger("OTHER", "X", 0), 1);
  EXPECT_TRUE(ini.SectionExists("Other"));
  EXPECT_FALSE(ini.ValueExists("Options", "x"));
}

TEST(IniFile, MissingOrBadValuesGiveTheDefault) {
  const TIniFile ini = TIniFile::FromText("[A]\nn=abc\nm=\nh=$1F\nx=0x10\nneg=-7\nb=5\nbig=99999999999\n");
  EXPECT_EQ(ini.ReadInteger("A", "missing", 42), 42);
  EXPECT_EQ(ini.ReadInteger("Nope", "n", 3), 3);
  EXPECT_EQ(ini.ReadInteger("A", "n", 3), 3);
  EXPECT_EQ(ini.ReadInteger("A", "m", 4), 4);
  EXPECT_EQ(ini.ReadInteger("A", "big", 4), 4);
  EXPECT_EQ(ini.ReadInteger("A", "h", 0), 31);
  EXPECT_EQ(ini.ReadInteger("A", "x", 0), 16);
  EXPECT_EQ(ini.ReadInteger("A", "neg", 0), -7);
  EXPECT_TRUE(ini.ReadBool("A", "b", false)); // any non-zero is true
  EXPECT_TRUE(ini.ReadBool("A", "neg", false));
  EXPECT_TRUE(ini.ReadBool("A", "missing", true));
  EXPECT_EQ(ini.ReadString("A", "missing", "dflt"), "dflt");
}

TEST(IniFile, WritingKeepsEverythingElse) {
  const std::string original = "; keep me\n[One]\nA=1\nweird line\n\n[Two]\nB=2\n";
  TIniFile ini = TIniFile::FromText(original);
  EXPECT_EQ(ini.Text(), original);
  ini.WriteInteger("one", "a", 5);    // existing key, other case: replaced in place
  ini.WriteString("One", "C", "new"); // new key goes before the blank line
  ini.WriteBool("Three", "D", true);  // new section at the end
  EXPECT_EQ(ini.Text(), "; keep me\n[One]\nA=5\nweird line\nC=new\n\n[Two]\nB=2\n[Three]\nD=1\n");
}

TEST(IniFile, EraseSectionRemovesOnlyThatSection) {
  TIniFile ini = TIniFile::FromText("[Document1]\nWidth=3\n[MainWindow]\nLeft=1\n[document1]\nTop=4\n");
  ini.EraseSection("DOCUMENT1");
  EXPECT_FALSE(ini.SectionExists("Document1"));
  EXPECT_EQ(ini.Text(), "[MainWindow]\nLeft=1\n");
  ini.EraseSection("NotThere"); // harmless
  EXPECT_EQ(ini.ReadInteger("MainWindow", "Left", 0), 1);
}

TEST(IniFile, ValuesWithLineBreaksCannotSplitTheFile) {
  TIniFile ini;
  ini.WriteString("S", "K", "a\nb=c\r\n[X]");
  const TIniFile back = TIniFile::FromText(ini.Text());
  EXPECT_FALSE(back.SectionExists("X"));
  EXPECT_EQ(back.KeyNames("S").size(), 1U);
}

TEST(IniFile, CrLfFilesStayCrLfAndSaveRoundTrips) {
  TempDir dir;
  const std::string path = dir.File("sub/Korv-MOX.ini");
  TIniFile missing = TIniFile::Load(path); // no file yet: empty, not an error
  EXPECT_TRUE(missing.SectionNames().empty());
  TIniFile ini = TIniFile::FromText("[A]\r\nk=v\r\n", path);
  ini.WriteInteger("A", "n", 7);
  ini.Save(); // creates the folder too
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "[A]\r\nk=v\r\nn=7\r\n");
  const TIniFile back = TIniFile::Load(path);
  EXPECT_EQ(back.ReadInteger("a", "N", 0), 7);
  EXPECT_EQ(back.ReadString("a", "K", ""), "v");
}
