// The chamber link against the simulated chamber over a pty: a chamber that
// goes silent, answers garbage or is unplugged is reported and retried, and
// a set point sent is journaled and reached.
#include "chamber/chamber_link.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "sim/sim_chamber.h"

namespace kvl {
namespace {

template <class Check>
bool Within(int ms, Check check) {
  for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
       std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(50)))
    if (check()) return true;
  return false;
}

TEST(ChamberLink, ReportsSilenceGarbageAndUnpluggingAndKeepsTrying) {
  CSimBus world;
  world.SetTimeScale(600);
  SimPty pty;
  ASSERT_TRUE(OpenSimPty(pty, nullptr));
  ChamberProfile profile = DemoAsciiChamberProfile();
  profile.pollSeconds = 1;
  profile.replyTimeoutMs = 200;
  CSimChamber chamber(profile, world);
  ASSERT_TRUE(chamber.Start(MakeSimFdLine(pty.master, 9600)));

  CChamberLink link;
  std::vector<DeviceEvent> events;
  std::mutex eventsMutex;
  link.SetEventSink([&](const DeviceEvent& e) {
    std::lock_guard lock(eventsMutex);
    events.push_back(e);
  });
  DeviceLineSettings line;
  line.port = pty.path;
  line.ending = LineEnding::kCrLf;
  link.Open(profile, line, kEnglish);
  ASSERT_TRUE(link.SetPoint(35));
  EXPECT_FALSE(link.SetPoint(101));
  EXPECT_TRUE(Within(5000, [&] { return link.Last().answered && profile.Reached(link.Last().measured, 35); }));
  {
    std::lock_guard lock(eventsMutex);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].kind, "chamber-start");
    EXPECT_EQ(events[1].kind, "chamber-set");
    EXPECT_EQ(events[1].value, "35.00");
    EXPECT_EQ(events[1].result, "ok");
  }

  chamber.SetAnswering(false);
  EXPECT_TRUE(Within(4000, [&] { return !link.Last().answered && link.Last().reason == "no answer"; }));
  chamber.SetAnswering(true);
  EXPECT_TRUE(Within(4000, [&] { return link.Last().answered; }));

  // A chamber that answers something else than numbers is never read as 0.
  ChamberProfile other = profile;
  other.ascii.readCommand = "TEMP?";
  link.Open(other, line, kEnglish);
  EXPECT_TRUE(Within(4000, [&] { return link.Last().reason == "reply is not a number: 'ERR'"; }));

  // Unplugged: the device goes away; the link says so and keeps trying.
  chamber.Stop();
  close(pty.master);
  close(pty.slaveKeep);
  EXPECT_TRUE(Within(6000, [&] {
    const ChamberReading r = link.Last();
    return !r.answered && r.reason.find("cannot open the port") == 0;
  })) << link.Last().reason;
  EXPECT_TRUE(link.IsOpen());
  link.Park();  // queued for a line that is not there: nothing breaks
  link.Close();
  EXPECT_EQ(link.Last().reason, "line closed");
}

// The chamber's adapter unplugged and plugged back in at the same path (a
// /dev/serial/by-id name): while it is gone the reading names the device, so
// a run holds on it; once it is back the link reopens it and reads on.
TEST(ChamberLink, AnUnpluggedChamberIsNamedAndReadAgainWhenItIsBack) {
  const std::string device =
      std::filesystem::temp_directory_path() / ("kvl-chamber-" + std::to_string(getpid()));
  std::filesystem::remove(device);
  CSimBus world;
  world.SetTimeScale(600);
  ChamberProfile profile = DemoAsciiChamberProfile();
  profile.pollSeconds = 1;
  profile.replyTimeoutMs = 200;
  struct Plugged {
    SimPty pty;
    std::unique_ptr<CSimChamber> chamber;
  };
  auto plug = [&] {
    auto p = std::make_unique<Plugged>();
    EXPECT_TRUE(OpenSimPty(p->pty, nullptr));
    p->chamber = std::make_unique<CSimChamber>(profile, world);
    EXPECT_TRUE(p->chamber->Start(MakeSimFdLine(p->pty.master, 9600)));
    std::filesystem::create_symlink(p->pty.path, device);
    return p;
  };
  auto unplug = [&](std::unique_ptr<Plugged> p) {
    std::filesystem::remove(device);
    p->chamber->Stop();
    close(p->pty.master);
    close(p->pty.slaveKeep);
  };
  auto plugged = plug();
  CChamberLink link;
  DeviceLineSettings line;
  line.port = device;
  line.ending = LineEnding::kCrLf;
  link.Open(profile, line, kEnglish);
  ASSERT_TRUE(Within(5000, [&] { return link.Last().answered; }));
  EXPECT_EQ(link.Last().lineLost, "");

  unplug(std::move(plugged));
  EXPECT_TRUE(Within(6000, [&] { return link.Last().lineLost == device; })) << link.Last().lineLost;
  EXPECT_FALSE(link.Last().answered);

  plugged = plug();
  EXPECT_TRUE(Within(8000, [&] { return link.Last().answered && link.Last().lineLost.empty(); }))
      << link.Last().reason;
  link.Close();
  EXPECT_EQ(link.Last().lineLost, "") << "a line closed on purpose is not waited for";
  unplug(std::move(plugged));
}

}  // namespace
}  // namespace kvl
