#include "config/config_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "config/config_test_support.h"

namespace kvl {
namespace {

using testing::TempFolder;

TEST(ConfigLocationTest, ProgramFolderIsTheFolderOfThisExecutable) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "test_config"));
  EXPECT_EQ(CurrentConfigurationPlaces("/x/y.cfg").explicitPath, "/x/y.cfg");
  EXPECT_EQ(ConfigurationFilePath(CurrentConfigurationPlaces("/x/y.cfg")), "/x/y.cfg");
}

TEST(ConfigLocationTest, WritableProgramFolderFirstThenTheUsersConfigurationFolder) {
  TempFolder temp;
  ConfigurationPlaces places;
  places.programFolder = temp.path();
  places.xdgConfigHome = temp / "xdg";
  places.home = temp / "home";
  EXPECT_EQ(ConfigurationFilePath(places), temp / "KvlGrad.cfg");

  places.explicitPath = temp / "other.cfg";
  EXPECT_EQ(ConfigurationFilePath(places), temp / "other.cfg");
  places.explicitPath.clear();

  // A program folder that cannot take the file (here: one that does not exist).
  places.programFolder = temp / "missing/";
  EXPECT_EQ(ConfigurationFilePath(places), temp / "xdg/kvlgrad/KvlGrad.cfg");
  places.xdgConfigHome = "relative/xdg";  // not absolute: ignored
  EXPECT_EQ(ConfigurationFilePath(places), temp / "home/.config/kvlgrad/KvlGrad.cfg");
  places.xdgConfigHome.clear();
  places.home = temp / "home/";
  EXPECT_EQ(ConfigurationFilePath(places), temp / "home/.config/kvlgrad/KvlGrad.cfg");
}

TEST(ConfigLocationTest, DefaultWorkFolderFallsBackToACreatedFolderInHome) {
  TempFolder temp;
  ConfigurationPlaces places;
  places.programFolder = temp.path();
  places.home = temp / "home";
  EXPECT_EQ(DefaultWorkFolder(places), temp.path());

  places.programFolder = temp / "missing/";
  EXPECT_EQ(DefaultWorkFolder(places), temp / "home/KvlGrad/");
  EXPECT_TRUE(std::filesystem::is_directory(temp / "home/KvlGrad"));
}

}  // namespace
}  // namespace kvl
