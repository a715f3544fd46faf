// The write journal: the line of each kind of write list, and lines that stay
// whole when the writing process is killed mid-stream.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "graduation/write_journal.h"
#include "support/temp_folder.h"
#include "text/text_file.h"

namespace kvl {
namespace {

LinkWriteDone Done(std::uint8_t function, std::uint16_t first, std::vector<std::uint16_t> words, int result,
                   bool checked = false, std::vector<ReadBackDifference> differences = {}) {
  return {function, first, std::move(words), result, checked, std::move(differences)};
}

TEST(WriteJournal, OneLinePerWriteList) {
  std::tm when{};
  when.tm_year = 126;
  when.tm_mon = 11;
  when.tm_mday = 7;
  when.tm_hour = 9;
  when.tm_min = 5;
  when.tm_sec = 3;
  const struct {
    LinkWriteList list;
    const char* line;
  } cases[] = {
      {{"Tuning", "limit1", "11005", 5, {Done(6, 5, {30}, 0)}},
       "2026-12-07 09:05:03  mode=Tuning  serial=11005  addr=5  cause=limit1  f6@5=30  result=ok\n"},
      {{"Save settings", "my file.set", "", 2, {Done(6, 51, {4464}, 0), Done(16, 96, {1, 2}, 1)}},
       "2026-12-07 09:05:03  mode=\"Save settings\"  serial=\"\"  addr=2  cause=\"my file.set\"  f6@51=4464  "
       "f16@96=1,2  result=failed:1/2  readback=none\n"},
      {{"kvlctl calc", "7001_0.grad", "7001", 1,
        {Done(16, 104, {554, 625}, 0, true), Done(16, 128, {9, 8}, 1, true, {{129, 8, 7}})}},
       "2026-12-07 09:05:03  mode=\"kvlctl calc\"  serial=7001  addr=1  cause=7001_0.grad  f16@104=554,625  "
       "f16@128=9,8  result=failed:1/2  readback=differs:129=8/7\n"},
      {{"Tuning", "password", "7001", 1, {Done(6, 31, {6847}, 0)}},
       "2026-12-07 09:05:03  mode=Tuning  serial=7001  addr=1  cause=password  f6@31=*  result=ok\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(JournalLine(c.list, when), c.line);
  EXPECT_EQ(JournalFileName("/data/", when), "/data/journal_2026-12-07.txt");
  // Chamber and valve events are lines of their own kind in the same file.
  EXPECT_EQ(JournalEventLine("chamber-set", "-20.00", "ok", when),
            "2026-12-07 09:05:03  kind=chamber-set  value=-20.00  result=ok\n");
  EXPECT_EQ(JournalEventLine("valves", "high", "failed: no answer\r\n", when),
            "2026-12-07 09:05:03  kind=valves  value=high  result=\"failed: no answer  \"\n");
}

TEST(WriteJournal, AKilledWriterLeavesOnlyWholeLines) {
  test::TempFolder dir;
  LinkWriteList list{"Graduation", "7001_0.grad", "7001", 1, {}};
  std::vector<std::uint16_t> words(120);
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = std::uint16_t(60000 + i);
  list.writes = {Done(16, 104, words, 0, true), Done(16, 128, words, 0, true)};
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CWriteJournal journal;
    journal.SetFolder(dir.path());
    for (;;) journal.OnWriteList(list);
  }
  // Killed once it has written a good number of lines, at whatever point it is.
  auto size = [&] {
    std::uintmax_t total = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) total += e.file_size();
    return total;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (size() < 2000000 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);

  const std::string body = JournalLine(list, std::tm{}).substr(19);
  std::size_t lines = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    std::string text;
    ASSERT_EQ(ReadFileBytes(e.path().string(), text), 0);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    for (std::string_view line : SplitLines(text)) {
      ASSERT_EQ(std::string(line.substr(19)) + "\n", body);
      ++lines;
    }
  }
  EXPECT_GT(lines, 100u);
}

}  // namespace
}  // namespace kvl
