// One run per data folder: a free folder is taken and given back, a folder a
// live run holds refuses the next naming it, a lock file left by a run that
// has ended is taken over with a note naming it, and one written by another
// computer's run is left alone.
#include <gtest/gtest.h>

#include <filesystem>

#include "graduation/run_folder_lock.h"
#include "support/temp_folder.h"
#include "text/text_file.h"

namespace kvl {
namespace {

using test::TempFolder;

const FolderHolder kHere{4711, "stand-3"};
const FolderHolder kUs{5150, "stand-3"};

std::string LockFileText(const TempFolder& folder) {
  std::string text;
  ReadFileBytes(RunFolderLockPath(folder.path()), text);
  return text;
}

TEST(RunFolderLock, FreeFolderIsTakenNamingUsAndGivenBackWhole) {
  TempFolder folder;
  CRunFolderLock lock;
  ASSERT_EQ(lock.Take(folder.path(), kUs), FolderLockResult::kTaken);
  EXPECT_TRUE(lock.Held());
  EXPECT_EQ(lock.Message(kEnglish), "");
  EXPECT_EQ(LockFileText(folder), "pid = 5150\r\nhost = stand-3\r\n");
  lock.Release();
  EXPECT_FALSE(std::filesystem::exists(RunFolderLockPath(folder.path()))) << "a run that ended leaves no lock file";
  // Given back, the folder is free for the next run (of this process too).
  CRunFolderLock next;
  EXPECT_EQ(next.Take(folder.path(), kHere), FolderLockResult::kTaken);
}

TEST(RunFolderLock, LiveHolderRefusesTheNextRunNamingFolderProcessAndHost) {
  TempFolder folder;
  CRunFolderLock first, second;
  ASSERT_EQ(first.Take(folder.path(), kHere), FolderLockResult::kTaken);
  for (LanguageIndex l : {kEnglish, kRussian}) {
    ASSERT_EQ(second.Take(folder.path(), kUs), FolderLockResult::kHeld);
    EXPECT_FALSE(second.Held());
    const std::string refusal = second.Message(l);
    for (const std::string& part : {folder.path(), std::string("4711"), std::string("stand-3")})
      EXPECT_NE(refusal.find(part), std::string::npos) << refusal;
  }
  EXPECT_NE(second.Message(kRussian), second.Message(kEnglish));
  EXPECT_EQ(LockFileText(folder), ComposeFolderHolder(kHere)) << "the refused run changed the holder's file";
  // The refused lock's end leaves the holder's lock and file alone.
  second.Release();
  EXPECT_EQ(CRunFolderLock().Take(folder.path(), kUs), FolderLockResult::kHeld);
  EXPECT_TRUE(std::filesystem::exists(RunFolderLockPath(folder.path())));
}

// A lock file nobody holds: its process ended without giving it back (a
// crash, a kill, a power cut), or it is from another computer.
TEST(RunFolderLock, UnheldLockFileIsTakenOverOnlyFromThisComputer) {
  struct Case {
    const char* left;
    FolderLockResult result;
    FolderHolder named;
    const char* inMessage;
  } const cases[] = {
      {"pid = 4711\r\nhost = stand-3\r\n", FolderLockResult::kTakenOver, {4711, "stand-3"}, "has ended"},
      {"pid = 4711\r\nhost = STAND-3\r\n", FolderLockResult::kTakenOver, {4711, "STAND-3"}, "has ended"},
      {"pid = 4711\r\nhost = stand-9\r\n", FolderLockResult::kOtherHost, {4711, "stand-9"}, "graduation.lock"},
      {"pid = 47x1\r\n", FolderLockResult::kTakenOver, {0, ""}, "has ended"},  // damaged: nobody to ask
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.left);
    TempFolder folder;
    ASSERT_EQ(WriteFileAtomic(RunFolderLockPath(folder.path()), c.left), 0);
    CRunFolderLock lock;
    EXPECT_EQ(lock.Take(folder.path(), kUs), c.result);
    EXPECT_EQ(lock.Named().pid, c.named.pid);
    EXPECT_EQ(lock.Named().host, c.named.host);
    const std::string message = lock.Message(kEnglish);
    EXPECT_NE(message.find(c.inMessage), std::string::npos) << message;
    if (c.named.pid != 0) {
      EXPECT_NE(message.find(std::to_string(c.named.pid)), std::string::npos) << message;
    }
    const bool taken = c.result == FolderLockResult::kTakenOver;
    EXPECT_EQ(lock.Held(), taken);
    EXPECT_EQ(LockFileText(folder), taken ? ComposeFolderHolder(kUs) : std::string(c.left));
  }
}

TEST(RunFolderLock, FolderThatCannotTakeTheFileRefusesWithTheReason) {
  TempFolder folder;
  CRunFolderLock lock;
  const std::string missing = folder / "gone/";
  EXPECT_EQ(lock.Take(missing), FolderLockResult::kFailed);
  EXPECT_FALSE(lock.Held());
  EXPECT_NE(lock.Message(kEnglish).find("cannot lock the data folder " + missing + ": "), std::string::npos)
      << lock.Message(kEnglish);
}

}  // namespace
}  // namespace kvl
