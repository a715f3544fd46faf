// The window's detector line when its adapter is unplugged and plugged back
// in: a simulated bus on a pty behind a fixed link path (as a
// /dev/serial/by-id name is); the pty goes, and later a new one comes at the
// same path.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <filesystem>
#include <memory>

#include "main_window_fixture.h"
#include "sim/sim_bus.h"
#include "support/pty_pair.h"
#include "support/temp_folder.h"
#include "text/format.h"
#include "text/link_texts.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::RunUntil;
using test::WindowRun;

// A Z detector at address 1 on its own pty, reachable at `path` while it lives.
class PluggedBus {
 public:
  explicit PluggedBus(const std::string& path) : path_(path) {
    bus_.SetTimeScale(0);
    bus_.AddDetectors(kTypeZ, 1, 1);
    bus_.Start(MakeSimFdLine(pty_.MasterFd(), 9600));
    std::filesystem::create_symlink(pty_.SlavePath(), path_);
  }
  // Unplugged: the path goes, then the device behind it.
  ~PluggedBus() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
    bus_.Stop();
  }
  unsigned Answered() const { return bus_.AnsweredCount(); }

 private:
  std::string path_;
  test::PtyPair pty_;
  CSimBus bus_{5};
};

TEST(LineReplug, TheWindowWaitsForItsDeviceAndPollsOnWhenItIsBackUnlessUnticked) {
  test::TempFolder folder;
  const std::string device = folder / "usb-adapter-port0";
  auto bus = std::make_unique<PluggedBus>(device);
  WindowRun run;
  run.linePort = device;
  run.Open(kTypeZ, 0);
  ASSERT_TRUE(run.WaitForRows(1));
  auto* box = run.Control<QCheckBox>(id::LineOpen(0));
  auto* note = run.Control<CColorStaticST>(id::kLineNote);
  ASSERT_TRUE(box && note);
  EXPECT_TRUE(note->isHidden());

  bus.reset();
  ASSERT_TRUE(RunUntil([&] { return !note->isHidden(); }, 5000));
  EXPECT_EQ(note->text().toStdString(), Format(txt::kWaitingForDevice(kRussian), device.c_str()));
  EXPECT_TRUE(box->isChecked()) << "still wanted";
  EXPECT_FALSE(run.window->Table().LineOpen());
  EXPECT_FALSE(run.Control(id::kSearch)->isEnabled());

  bus = std::make_unique<PluggedBus>(device);
  ASSERT_TRUE(RunUntil([&] { return bus->Answered() >= 2 && run.window->Table().LineOpen(); }, 5000));
  EXPECT_TRUE(run.WaitForRows(1));
  EXPECT_TRUE(note->isHidden());
  EXPECT_TRUE(box->isChecked());
  EXPECT_TRUE(run.op.Shown().empty());

  // Unticked by hand while it waits: nothing is awaited any more.
  bus.reset();
  ASSERT_TRUE(RunUntil([&] { return !note->isHidden(); }, 5000));
  box->click();
  ASSERT_TRUE(RunUntil([&] { return note->isHidden(); }, 2000));
  EXPECT_FALSE(box->isChecked());
  bus = std::make_unique<PluggedBus>(device);
  RunUntil([] { return false; }, 1500);
  EXPECT_EQ(bus->Answered(), 0u) << "the line stays closed";
  EXPECT_FALSE(run.window->Table().LineOpen());
  EXPECT_TRUE(run.op.Shown().empty());
}

}  // namespace
}  // namespace kvl
