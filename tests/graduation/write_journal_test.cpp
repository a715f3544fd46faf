// The write journal: the line of each kind of write list, and lines that stay
// whole when the writing process is killed mid-stream.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "graduation/write_history.h"
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

// The history of one detector across two days' journals and its reports:
// only its own lines, oldest first, each with what was written and the result.
TEST(WriteHistory, OneDetectorAcrossTwoJournalsAndItsReports) {
  test::TempFolder dir;
  auto at = [](int day, int hour) {
    std::tm t{};
    t.tm_year = 126, t.tm_mon = 11, t.tm_mday = day, t.tm_hour = hour;
    return t;
  };
  const LinkWriteList table{"Graduation", "7001 run.grad", "7001", 1,
                            {Done(16, 104, {554, 625, 701}, 0, true), Done(16, 128, {9, 8}, 1, true, {{129, 8, 7}})}};
  const LinkWriteList other{"Tuning", "limit1", "7002", 2, {Done(6, 5, {30}, 0)}};
  const LinkWriteList limit{"Tuning", "limit1", "7001", 1, {Done(6, 5, {30}, 0)}};
  // The later day's journal is written first: the order comes from the lines' dates.
  ASSERT_EQ(AppendToFile(JournalFileName(dir.path(), at(8, 9)), JournalLine(limit, at(8, 9))), 0);
  ASSERT_EQ(AppendToFile(JournalFileName(dir.path(), at(7, 9)),
                         JournalLine(other, at(7, 9)) + JournalLine(table, at(7, 15))),
            0);
  // A report names its serial in its head; a report of another serial sharing the prefix is not its.
  const char* report = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"/><meta name=\"kvl-serial\" content=\"7001\"/>"
                       "<meta name=\"kvl-date\" content=\"2026-12-07 14:00:00\"/><meta name=\"kvl-verdict\" "
                       "content=\"Table written, read-back differs\"/></head></html>";
  ASSERT_EQ(WriteFileAtomic(dir.path() + "7001_0.html", report), 0);
  std::string foreign = report;
  foreign.replace(foreign.find("7001"), 4, "7001_5");
  ASSERT_EQ(WriteFileAtomic(dir.path() + "7001_5_0.html", foreign), 0);

  const std::vector<HistoryEntry> h = DetectorHistory(dir.path(), "7001");
  ASSERT_EQ(h.size(), 3u);
  EXPECT_EQ(h[0].when, "2026-12-07 14:00:00");
  EXPECT_TRUE(h[0].report);
  EXPECT_EQ(h[0].result, "Table written, read-back differs");
  EXPECT_EQ(h[0].file, "7001_0.html");
  EXPECT_EQ(h[1].when, "2026-12-07 15:00:00");
  EXPECT_EQ(h[1].what, "Graduation, 7001 run.grad: 104\u2026106 128\u2026129");
  EXPECT_EQ(h[1].result, "failed:1/2, readback=differs:1 (129\u2026129)");
  EXPECT_EQ(h[1].file, "journal_2026-12-07.txt");
  EXPECT_EQ(h[2].what, "Tuning, limit1: f6@5=30");
  EXPECT_EQ(h[2].file, "journal_2026-12-08.txt");
  EXPECT_TRUE(DetectorHistory(dir.path(), "7003").empty());
}

}  // namespace
}  // namespace kvl
