#include "config/config_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "config/config_test_support.h"
#include "config/configuration.h"
#include "support/unprivileged.h"
#include "text/text_file.h"

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

  // An installed program run as root: its folder is writable but a system one.
  places.programFolder = "/usr/bin/";
  EXPECT_EQ(ConfigurationFilePath(places), temp / "home/.config/kvlgrad/KvlGrad.cfg");
  EXPECT_EQ(DefaultWorkFolder(places), temp / "home/KvlGrad/");
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

// Permissions bind only an ordinary user, so every save and read below runs
// as one (the suite itself may run as root).
TEST(ConfigLocationTest, FilePermissionsDecideWhereSettingsAreReadAndSaved) {
  TempFolder temp;
  namespace fs = std::filesystem;
  chmod(temp.path().c_str(), 0777);
  auto contentOf = [](const std::string& path) {
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
  };
  auto write = [](const std::string& path, const char* bytes, mode_t mode) {
    ASSERT_EQ(WriteFileAtomic(path, bytes), 0);
    chmod(path.c_str(), mode);
  };

  // A read-only file in a folder the user may write is not replaced, and the save says so.
  fs::create_directory(temp / "open");
  chmod((temp / "open").c_str(), 0777);
  write(temp / "open/KvlGrad.cfg", "old\r\n", 0444);
  EXPECT_EQ(test::RunUnprivileged([&] {
              std::string error;
              const int code = SaveConfiguration(temp / "open/KvlGrad.cfg", "new\n", &error);
              return code == EACCES && error.find("open/KvlGrad.cfg") != std::string::npos ? 0 : 1;
            }),
            0);
  EXPECT_EQ(contentOf(temp / "open/KvlGrad.cfg"), "old\r\n");

  // A writable file in a folder that takes no temporary file is written where it stands.
  fs::create_directory(temp / "locked");
  write(temp / "locked/KvlGrad.cfg", "old\r\n", 0666);
  chmod((temp / "locked").c_str(), 0555);
  EXPECT_EQ(test::RunUnprivileged([&] { return SaveConfiguration(temp / "locked/KvlGrad.cfg", "new\r\n"); }), 0);
  EXPECT_EQ(contentOf(temp / "locked/KvlGrad.cfg"), "new\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(temp / "locked"), fs::directory_iterator()), 1);

  // A read-only program folder: its file is read until the user has one of
  // their own, where saving goes and which is read from then on.
  fs::create_directory(temp / "program");
  fs::create_directory(temp / "home");
  chmod((temp / "home").c_str(), 0777);
  write(temp / "program/KvlGrad.cfg", "copied\r\n", 0444);
  chmod((temp / "program").c_str(), 0555);
  ConfigurationPlaces places;
  places.programFolder = temp / "program/";
  places.home = temp / "home";
  const std::string own = temp / "home/.config/kvlgrad/KvlGrad.cfg";
  EXPECT_EQ(test::RunUnprivileged([&] {
              if (ConfigurationReadPath(places) != temp / "program/KvlGrad.cfg") return 1;
              if (ConfigurationFilePath(places) != own) return 2;
              if (SaveConfiguration(ConfigurationFilePath(places), "saved\r\n") != 0) return 3;
              return ConfigurationReadPath(places) == own ? 0 : 4;
            }),
            0);
  EXPECT_EQ(contentOf(own), "saved\r\n");
  EXPECT_EQ(contentOf(temp / "program/KvlGrad.cfg"), "copied\r\n");
  chmod((temp / "program").c_str(), 0755);
  chmod((temp / "locked").c_str(), 0755);
}

}  // namespace
}  // namespace kvl
