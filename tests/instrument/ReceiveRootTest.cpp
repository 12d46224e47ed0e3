// Which Root Folders can take received traces.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/TestHelpers.h"
#include "instrument/UpLoad.h"

using namespace korv;

TEST(RootFolder, AFolderOrOneLevelInsideAFolderIsUsable) {
  TempDir dir;
  EXPECT_EQ(RootFolderProblem(dir.Path().string() + "/"), "");
  EXPECT_EQ(RootFolderProblem(dir.File("new") + "/"), "");
  // Nothing is made by asking.
  EXPECT_FALSE(std::filesystem::exists(dir.File("new")));
}

TEST(RootFolder, FilesMissingParentsAndControlCharactersAreRefused) {
  TempDir dir;
  const std::string file = dir.File("plain.txt");
  std::ofstream(file) << "x";
  for (const std::string &bad : {file + "/", file + "/sub/"}) {
    const std::string m = RootFolderProblem(bad);
    EXPECT_EQ(m.rfind("The Root Folder \"" + bad + "\" ", 0), 0U) << m;
    EXPECT_NE(m.find(file + " is no folder."), std::string::npos) << m;
  }
  // A stick that is not mounted: its folders are not made on the system disk.
  const std::string unmounted = dir.File("media/stick") + "/traces/";
  const std::string m = RootFolderProblem(unmounted);
  EXPECT_NE(m.find("it does not exist, nor does " + dir.File("media/stick") + "."), std::string::npos) << m;
  EXPECT_NE(RootFolderProblem(dir.File("a\nb") + "/").find("control characters"), std::string::npos);
  EXPECT_NE(RootFolderProblem("").find("give a folder"), std::string::npos);
  EXPECT_NE(RootFolderProblem("/").find("give a folder"), std::string::npos);
}
