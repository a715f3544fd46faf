// What an unattended run keeps for a data folder that refuses it: the point
// lines held back until they are appended, each once and in order, and the
// folder's failure told (folder and reason) until every kind of write works.
#include "graduation/autopilot_session.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace kvl {
namespace {

class QuietChamber : public IChamberControl {
 public:
  bool SetPoint(double) override { return true; }
  void Park() override {}
  ChamberReading Last() const override { return {}; }
};

TEST(AutopilotSession, PointLinesWaitForTheFolderAndAreAppendedOnce) {
  QuietChamber chamber;
  CAutopilotSession session(chamber, nullptr);
  session.SetDataFolder("/data/");
  RunActions actions;
  for (const char* serial : {"1", "2", "3"})
    actions.logs.push_back({std::string("/data/") + serial + ".tab", "G7"});
  WriteOrigin origin;
  session.TakeActions(actions, origin);
  EXPECT_TRUE(actions.logs.empty()) << "held back, not carried out with the event";

  std::vector<std::string> appended;
  int refuseFrom = 1;  // the disk fills after the first record
  auto append = [&](const RunLogAppend& log) {
    if (int(appended.size()) >= refuseFrom) return ENOSPC;
    appended.push_back(log.path);
    return 0;
  };
  const struct {
    int refuseFrom;
    FolderWriter other;  // another kind of write, and its outcome
    int otherError;
    std::vector<std::string> appended;
    bool held;
    std::string failure;
  } steps[] = {
      {1, FolderWriter::kRunData, 0, {"/data/1.tab"}, true, "/data/: No space left on device"},
      {1, FolderWriter::kRunData, 0, {"/data/1.tab"}, true, "/data/: No space left on device"},  // still full
      {9,
       FolderWriter::kRunState,
       EROFS,
       {"/data/1.tab", "/data/2.tab", "/data/3.tab"},
       false,
       "/data/: Read-only file system"},
      {9, FolderWriter::kRunState, 0, {"/data/1.tab", "/data/2.tab", "/data/3.tab"}, false, ""},
  };
  for (const auto& s : steps) {
    refuseFrom = s.refuseFrom;
    session.FolderWrite(s.other, s.otherError);
    session.AppendSettledLogs(append);
    EXPECT_EQ(appended, s.appended);
    EXPECT_EQ(session.LogsHeld(), s.held);
    EXPECT_EQ(session.FolderFailure(), s.failure);
  }
}

}  // namespace
}  // namespace kvl
