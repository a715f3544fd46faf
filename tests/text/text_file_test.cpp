#include "text/text_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "support/unprivileged.h"

namespace kvl {
namespace {

namespace fs = std::filesystem;

class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "kvl_text_file_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Read(const std::string& name) const {
    std::string bytes;
    EXPECT_EQ(ReadFileBytes(Path(name), bytes), 0);
    return bytes;
  }
  int EntryCount() const { return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }

  std::string dir_;
};

// Runs fn in a child process whose files may not grow beyond `limit` bytes,
// the way a full disk stops a write halfway; returns the child's exit code.
int RunWithFileSizeLimit(rlim_t limit, const std::function<int()>& fn) {
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit rl{limit, limit};
    setrlimit(RLIMIT_FSIZE, &rl);
    _exit(fn() & 0xFF);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SplitLinesTest, CrLfAndLfReadTheSameAndALoneCrStays) {
  EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string_view>{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\n"), (std::vector<std::string_view>{"a"}));
  EXPECT_EQ(SplitLines("a\n\n"), (std::vector<std::string_view>{"a", ""}));
  EXPECT_EQ(SplitLines("a\rb\r"), (std::vector<std::string_view>{"a\rb\r"}));
  EXPECT_EQ(SplitLines("\r\n"), (std::vector<std::string_view>{""}));
  EXPECT_TRUE(SplitLines("").empty());
}

TEST_F(TextFileTest, ReadReportsMissingFilesAndFoldersAndStopsAtTheCap) {
  std::string bytes = "left over";
  std::string error;
  EXPECT_EQ(ReadFileBytes(Path("missing"), bytes, SIZE_MAX, &error), ENOENT);
  EXPECT_TRUE(bytes.empty());
  EXPECT_NE(error.find(Path("missing")), std::string::npos);
  EXPECT_EQ(ReadFileBytes(dir_, bytes), EISDIR);

  std::string big(100000, 'x');
  big += "end";
  ASSERT_EQ(WriteFileAtomic(Path("f"), big), 0);
  ASSERT_EQ(ReadFileBytes(Path("f"), bytes, 70000), 0);
  EXPECT_EQ(bytes.size(), 70000u);
  ASSERT_EQ(ReadFileBytes(Path("f"), bytes), 0);
  EXPECT_EQ(bytes.size(), 100003u);
  EXPECT_EQ(bytes.substr(bytes.size() - 3), "end");
}

TEST_F(TextFileTest, AtomicWriteReplacesContentKeepsModeAndLeavesNoTemporary) {
  ASSERT_EQ(WriteFileAtomic(Path("cfg"), std::string("one\r\n\0two", 10)), 0);
  EXPECT_EQ(Read("cfg"), std::string("one\r\n\0two", 10));
  ASSERT_EQ(chmod(Path("cfg").c_str(), 0640), 0);
  ASSERT_EQ(WriteFileAtomic(Path("cfg"), "new"), 0);
  EXPECT_EQ(Read("cfg"), "new");
  struct stat st {};
  ASSERT_EQ(stat(Path("cfg").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(EntryCount(), 1);
  ASSERT_EQ(WriteFileAtomic(Path("cfg"), ""), 0);
  EXPECT_EQ(Read("cfg"), "");
}

TEST_F(TextFileTest, AtomicWriteGoesThroughASymbolicLink) {
  ASSERT_EQ(WriteFileAtomic(Path("real"), "old"), 0);
  ASSERT_EQ(symlink(Path("real").c_str(), Path("link").c_str()), 0);
  ASSERT_EQ(WriteFileAtomic(Path("link"), "new"), 0);
  EXPECT_TRUE(fs::is_symlink(Path("link")));
  EXPECT_EQ(Read("real"), "new");
}

TEST_F(TextFileTest, AFullDiskLeavesTheOldFileWholeAndNoTemporary) {
  const std::string old = "the previous configuration\r\n";
  ASSERT_EQ(WriteFileAtomic(Path("cfg"), old), 0);
  const std::string big(64 * 1024, 'n');
  const int code = RunWithFileSizeLimit(4096, [&] { return WriteFileAtomic(Path("cfg"), big); });
  EXPECT_EQ(code, EFBIG);
  EXPECT_EQ(Read("cfg"), old);
  EXPECT_EQ(EntryCount(), 1);
}

TEST_F(TextFileTest, WriteIntoAMissingOrUnwritableFolderFailsWithAMessage) {
  std::string error;
  EXPECT_EQ(WriteFileAtomic(Path("no/such/file"), "x", &error), ENOENT);
  EXPECT_NE(error.find("no/such/file"), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("no")));
  ASSERT_EQ(WriteFileAtomic(Path("plain"), "x"), 0);
  EXPECT_EQ(WriteFileAtomic(Path("plain/file"), "x"), ENOTDIR);
  EXPECT_EQ(WriteFileAtomic("", "x", &error), ENOENT);
}

TEST_F(TextFileTest, AFolderWithoutWritePermissionKeepsTheOldFile) {
  fs::create_directory(Path("locked"));
  ASSERT_EQ(WriteFileAtomic(Path("locked/cfg"), "old"), 0);
  chmod(dir_.c_str(), 0755);
  chmod(Path("locked").c_str(), 0555);
  chmod(Path("locked/cfg").c_str(), 0666);
  EXPECT_EQ(test::RunUnprivileged([&] { return WriteFileAtomic(Path("locked/cfg"), "new"); }), EACCES);
  chmod(Path("locked").c_str(), 0755);
  EXPECT_EQ(Read("locked/cfg"), "old");
}

TEST_F(TextFileTest, AppendCreatesAndNeverTruncates) {
  ASSERT_EQ(AppendToFile(Path("log"), "a\r\n"), 0);
  ASSERT_EQ(AppendToFile(Path("log"), "b\r\n"), 0);
  EXPECT_EQ(Read("log"), "a\r\nb\r\n");
  std::string error;
  EXPECT_NE(AppendToFile(Path("none/log"), "x", &error), 0);
  EXPECT_FALSE(error.empty());
}

TEST_F(TextFileTest, CreateFoldersMakesEveryMissingLevel) {
  EXPECT_EQ(CreateFolders(Path("a/b/c")), 0);
  EXPECT_TRUE(IsExistingDirectory(Path("a/b/c")));
  EXPECT_EQ(CreateFolders(Path("a/b/c/")), 0);
  ASSERT_EQ(WriteFileAtomic(Path("f"), "x"), 0);
  EXPECT_NE(CreateFolders(Path("f/g")), 0);
  EXPECT_FALSE(IsExistingDirectory(Path("f")));
  EXPECT_FALSE(IsExistingDirectory(""));
  EXPECT_TRUE(IsWritableDirectory(dir_));
}

}  // namespace
}  // namespace kvl
