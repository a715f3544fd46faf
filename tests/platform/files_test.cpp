// The file primitives keep bytes as they are on every system (no line-end
// or end-of-file translation), and an atomic replacement goes through while
// a reader holds the old file open, as the window's plots and the recorder's
// readers do.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/program_folder.h"
#include "support/temp_folder.h"
#include "text/text_file.h"

namespace kvl {
namespace {

TEST(PlatformFiles, EveryWriterKeepsTheBytesAsTheyAre) {
  test::TempFolder dir;
  const std::string bytes("a\r\nb\nc\rd\x1a" "e\0f\xff\r\n", 15);
  struct Case {
    const char* name;
    int (*write)(const std::string&, std::string_view, std::string*);
  };
  const Case cases[] = {
      {"atomic", WriteFileAtomic},
      {"in place", WriteFileInPlace},
      {"append", AppendToFile},
      {"record", [](const std::string& p, std::string_view b, std::string* e) { return AppendRecord(p, b, e); }},
  };
  for (const Case& c : cases) {
    const std::string path = dir / (std::string(c.name) + ".txt");
    ASSERT_EQ(WriteFileAtomic(path, ""), 0) << c.name;  // in place needs the file
    std::string error;
    ASSERT_EQ(c.write(path, bytes, &error), 0) << c.name << ": " << error;
    std::string back;
    ASSERT_EQ(ReadFileBytes(path, back), 0) << c.name;
    EXPECT_EQ(back, bytes) << c.name;
    EXPECT_EQ(platform::SizeOfFile(path), std::int64_t(bytes.size())) << c.name;
  }
}

TEST(PlatformFiles, AReplacementGoesThroughWhileAReaderHoldsTheFile) {
  test::TempFolder dir;
  const std::string path = dir / "KvlGrad.cfg";
  ASSERT_EQ(WriteFileAtomic(path, "old\r\n"), 0);
  const int reader = platform::OpenFile(path, platform::OpenMode::kRead);
  ASSERT_GE(reader, 0);
  std::string error;
  EXPECT_EQ(WriteFileAtomic(path, "new\r\n", &error), 0) << error;
  char buf[8] = {};
  EXPECT_EQ(platform::ReadFile(reader, buf, sizeof buf), 5) << "the reader keeps the old content";
  EXPECT_EQ(std::string(buf, 5), "old\r\n");
  EXPECT_EQ(platform::CloseFile(reader), 0);
  std::string back;
  ASSERT_EQ(ReadFileBytes(path, back), 0);
  EXPECT_EQ(back, "new\r\n");
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u) << "no temporary file left behind";
}

TEST(PlatformFiles, TheProgramFolderIsAbsoluteWithSlashes) {
  const std::string folder = platform::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(platform::IsAbsolutePath(folder)) << folder;
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(folder.find('\\'), std::string::npos) << folder;
  EXPECT_EQ(platform::TargetKindOf(folder), platform::PathKind::kFolder) << folder;
}

}  // namespace
}  // namespace kvl
