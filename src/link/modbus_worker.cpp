// The worker thread that owns the line: serves the window's commands by
// priority and polls the device list as a self-re-arming chain of run events.
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "link/modbus_slave.h"
#include "text/link_texts.h"

namespace kvl {
namespace {

// Leading decimal digits of a text as an int (what the window's fields hold);
// 0 when there are none.
int LeadingInt(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > 1000000000LL) v = 1000000000LL;
  }
  return static_cast<int>(negative ? -v : v);
}

// The worker's port name until the first poll step has opened the line.
const std::string kNoPortYet = "N";

std::int64_t NowMs() { return MonotonicNs() / 1000000; }

constexpr int kEmptyListSleepMs = 100;
constexpr int kAfterRequestSleepMs = 10;
constexpr int kBetweenSingleWritesMs = 300;
constexpr int kPollSetSettleMs = 100;
constexpr int kWatchSliceMs = 100;
constexpr int kStopChecks = 50;
constexpr auto kStopCheckInterval = std::chrono::milliseconds(50);

}  // namespace

CModbusSlave::CModbusSlave() = default;

CModbusSlave::~CModbusSlave() { StopWorker(); }

CModbusSlave::PauseTiming CModbusSlave::ComputePause(const std::string& pauseText) {
  PauseTiming t;
  const int p = LeadingInt(pauseText);
  if (p > 0) {
    t.slices = (p - 1) / 100 + 1;
    t.slice = p / t.slices;
  }
  t.timeoutMs = p > 200 ? p : 200;
  return t;
}

void CModbusSlave::Post(unsigned message, std::intptr_t w, std::intptr_t l) {
  if (target_) target_->Post(message, w + static_cast<std::intptr_t>(lineNumber_) * 100, l);
}

// ---------------------------------------------------------------- commands

void CModbusSlave::StartWorker(CMessageTarget* target, int lineNumber, const std::string& portName,
                               const std::string& baudText, const std::vector<std::uint8_t>& devices,
                               const std::string& readFunctionText, const std::string& pauseText,
                               const std::string& tailCharsText, bool masterRole) {
  if (worker_.joinable()) StopWorker();
  {
    std::lock_guard lock(mutex_);
    target_ = target;
    lineNumber_ = lineNumber;
    cmdPortName_ = portName;
    cmdBaudText_ = baudText;
    cmdDevices_.assign(devices.begin(), devices.begin() + std::min(devices.size(), kMaxDevices));
    cmdPauseText_ = pauseText;
    cmdTailText_ = tailCharsText;
    readFunction_ = readFunctionText == "4" ? 4 : 3;
  }
  masterRole_.store(masterRole);
  portName_ = kNoPortYet;
  started_ = false;
  lineIdle_ = false;
  recovery_.Closed();
  position_ = -1;
  idleCount_ = 0;
  lastResult_ = 1;
  suspended_.store(false);
  waitingHandOver_.store(false);
  stopping_.store(false);
  ResetAbort();
  for (int e = 0; e < kLinkEventCount; ++e)
    if (e != kEvPollSet) events_.Reset(e);
  events_.Set(kEvRun);
  worker_ = std::thread(&CModbusSlave::WorkerMain, this);
}

int CModbusSlave::StopWorker() {
  if (!worker_.joinable()) return 0;
  events_.Reset(kEvRun);
  stopping_.store(true);
  events_.Set(kEvStop);
  // Cuts short whatever the worker waits on: a read, a turn-around wait, a pause slice.
  RequestAbort();
  int rc = 20;
  for (int i = 0; i < kStopChecks; ++i) {
    if (workerDone_.load()) {
      rc = 0;
      break;
    }
    std::this_thread::sleep_for(kStopCheckInterval);
  }
  worker_.join();
  workerDone_.store(false);
  ResetAbort();
  stopping_.store(false);
  return rc;
}

void CModbusSlave::OpenPort(const std::string& portName) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    cmdPortName_ = portName;
  }
  events_.Set(kEvOpenPort);
}

void CModbusSlave::SetBaud(const std::string& baudText) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    cmdBaudText_ = baudText;
  }
  events_.Set(kEvConfigure);
}

void CModbusSlave::SetDeviceList(const std::vector<std::uint8_t>& devices, int position, bool report) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    cmdDevices_.assign(devices.begin(), devices.begin() + std::min(devices.size(), kMaxDevices));
    cmdPosition_ = position;
    cmdListReport_ = report;
  }
  events_.Set(kEvDeviceList);
}

void CModbusSlave::SetPollRequests(const std::vector<std::uint16_t>& firsts, const std::vector<std::uint8_t>& counts,
                                   const std::vector<std::uint8_t>& offsets) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    const std::size_t n = std::min({firsts.size(), counts.size(), offsets.size()});
    cmdRequests_.clear();
    for (std::size_t i = 0; i < n; ++i) cmdRequests_.push_back({firsts[i], counts[i], offsets[i]});
    cmdEnabled_.assign(n, 1);
  }
  events_.Set(kEvPollRequests);
}

void CModbusSlave::SelectPollSet(const std::vector<int>& requestIndices, int pollSetNumber) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    std::fill(cmdEnabled_.begin(), cmdEnabled_.end(), 0);
    for (int i : requestIndices)
      if (i >= 0 && static_cast<std::size_t>(i) < cmdEnabled_.size()) cmdEnabled_[static_cast<std::size_t>(i)] = 1;
    cmdPollSetNumber_ = pollSetNumber;
  }
  events_.Set(kEvPollSet);
}

void CModbusSlave::SetPause(const std::string& pauseText) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    cmdPauseText_ = pauseText;
  }
  events_.Set(kEvPause);
}

void CModbusSlave::QueueWrite(std::uint8_t slave, std::uint16_t reg, std::uint16_t value, int tag) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    ListPtr list = AdoptListLocked();
    ++list->GroupOf(slave).expected;
    singleQueue_.push_back({slave, 6, reg, value, tag, std::move(list)});
  }
  events_.Set(kEvSingleWrite);
}

void CModbusSlave::QueueWrites(std::uint8_t slave, const std::vector<std::uint16_t>& regs,
                               const std::vector<std::uint16_t>& values, int tag) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    const ListPtr list = AdoptListLocked();
    const std::size_t n = std::min(regs.size(), values.size());
    for (std::size_t i = 0; i < n; ++i) {
      ++list->GroupOf(slave).expected;
      singleQueue_.push_back({slave, 6, regs[i], values[i], tag, list});
    }
  }
  events_.Set(kEvSingleWrite);
}

void CModbusSlave::QueueWritesTo(const std::vector<std::uint8_t>& slaves, const std::vector<std::uint16_t>& regs,
                                 const std::vector<std::uint16_t>& values, std::uint8_t function, int tag) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    const ListPtr list = AdoptListLocked();
    const std::size_t n = std::min({slaves.size(), regs.size(), values.size()});
    for (std::size_t i = 0; i < n; ++i) {
      ++list->GroupOf(slaves[i]).expected;
      singleQueue_.push_back({slaves[i], function, regs[i], values[i], tag, list});
    }
  }
  events_.Set(kEvSingleWrite);
}

void CModbusSlave::QueueBlockWrite(std::uint8_t slave, std::uint16_t first, const std::vector<std::uint16_t>& words,
                                   bool report, bool verify) {
  events_.Reset(kEvRun);
  {
    std::lock_guard lock(mutex_);
    ListPtr list = AdoptListLocked();
    ++list->GroupOf(slave).expected;
    blockQueue_.push_back({slave, first, words, report, verify, std::move(list)});
  }
  events_.Set(kEvBlockWrite);
}

// ---------------------------------------------------------------- write lists

CModbusSlave::WriteListState::Group& CModbusSlave::WriteListState::GroupOf(std::uint8_t slave) {
  for (Group& g : groups)
    if (g.slave == slave) return g;
  groups.push_back({});
  groups.back().slave = slave;
  return groups.back();
}

CModbusSlave::ListPtr CModbusSlave::AdoptListLocked() {
  if (openList_) return openList_;
  auto list = std::make_shared<WriteListState>();
  list->ended = true;
  return list;
}

void CModbusSlave::BeginWriteList(WriteOrigin origin) {
  EndWriteList();
  auto list = std::make_shared<WriteListState>();
  list->origin = std::move(origin);
  std::lock_guard lock(mutex_);
  openList_ = std::move(list);
}

void CModbusSlave::EndWriteList() {
  ListPtr list;
  std::vector<WriteListState::Group> complete;
  {
    std::lock_guard lock(mutex_);
    list = std::move(openList_);
    openList_.reset();
    if (!list) return;
    list->ended = true;
    for (WriteListState::Group& g : list->groups)
      if (!g.told && g.expected > 0 && int(g.done.size()) == g.expected) {
        g.told = true;
        complete.push_back(g);
      }
  }
  for (const WriteListState::Group& g : complete) Tell(*list, g);
}

void CModbusSlave::Account(std::uint8_t slave, LinkWriteDone done) {
  ListPtr list;
  WriteListState::Group complete;
  bool tell = false;
  {
    std::lock_guard lock(mutex_);
    if (executing_) {
      list = executing_;
    } else {
      // A direct write (a tool's own transaction) counts as it runs.
      list = AdoptListLocked();
      ++list->GroupOf(slave).expected;
    }
    WriteListState::Group& g = list->GroupOf(slave);
    g.done.push_back(std::move(done));
    if (list->ended && !g.told && int(g.done.size()) == g.expected) {
      g.told = true;
      complete = g;
      tell = true;
    }
  }
  if (tell) Tell(*list, complete);
}

void CModbusSlave::Tell(const WriteListState& list, const WriteListState::Group& group) {
  LinkWriteList out;
  out.mode = list.origin.mode;
  out.cause = list.origin.cause;
  out.serial = list.origin.identity.read ? group.serialRead : list.origin.SerialOf(group.slave);
  out.expected = list.origin.identity.expected;
  out.refusal = group.refusal;
  out.slave = group.slave;
  out.writes = group.done;
  if (CWriteListener* l = writeListener_.load(std::memory_order_acquire)) l->OnWriteList(out);
  if (list.origin.done) list.origin.done(out);
}

void CModbusSlave::Suspend() {
  events_.Reset(kEvRun);
  suspended_.store(true);
  events_.Set(kEvSuspend);
}

void CModbusSlave::Resume() {
  suspended_.store(false);
  waitingHandOver_.store(false);
  events_.Set(kEvRun);
}

// ---------------------------------------------------------------- worker

void CModbusSlave::WorkerMain() {
  for (;;) {
    if (!Serve(events_.WaitAny())) break;
  }
  if (IsOpen()) Close();
  workerDone_.store(true);
}

void CModbusSlave::Rearm() {
  if (!suspended_.load() && !waitingHandOver_.load()) events_.Set(kEvRun);
}

bool CModbusSlave::Serve(int event) {
  switch (event) {
    case kEvStop:
      return false;
    case kEvOpenPort:
      ServeOpenPort();
      break;
    case kEvConfigure:
      ServeConfigure();
      break;
    case kEvDeviceList: {
      std::lock_guard lock(mutex_);
      devices_ = cmdDevices_;
      const int len = static_cast<int>(devices_.size());
      // The position is the entry polled last: the next poll takes the entry
      // after it. Any position that names no entry before the last one
      // (-1, the last entry itself, or beyond) starts at the first entry, so
      // a new list is never polled from its second entry on and the first
      // entry is probed before the pass can complete.
      position_ = cmdPosition_ >= -1 && cmdPosition_ < len - 1 ? cmdPosition_ : -1;
      if (cmdListReport_) listReport_ = true;
      cmdListReport_ = false;
    }
      Rearm();
      break;
    case kEvReadFunction:
      Post(WM_USER_CLEAR, 0, 0);
      Rearm();
      break;
    case kEvSingleWrite:
      ServeSingleWrite();
      break;
    case kEvPollRequests: {
      std::lock_guard lock(mutex_);
      requests_ = cmdRequests_;
      enabled_ = cmdEnabled_;
    }
      Rearm();
      break;
    case kEvBlockWrite:
      ServeBlockWrite();
      break;
    case kEvPollSet: {
      {
        std::lock_guard lock(mutex_);
        enabled_ = cmdEnabled_;
      }
      // Gives a detector that was just switched over time to settle.
      Sleep(kPollSetSettleMs);
      std::lock_guard lock(mutex_);
      pollSetNumber_ = cmdPollSetNumber_;
    }
      Rearm();
      break;
    case kEvSuspend:
      break;
    case kEvPause:
      ServePause();
      break;
    case kEvTail: {
      std::lock_guard lock(mutex_);
      tailChars_ = LeadingInt(cmdTailText_);
    } break;
    case kEvRun:
      return PollStep();
    default:
      break;
  }
  return !stopping_.load();
}

void CModbusSlave::TakeStartParameters() {
  std::lock_guard lock(mutex_);
  portName_ = cmdPortName_;
  baudText_ = cmdBaudText_;
  devices_ = cmdDevices_;
  position_ = cmdPosition_;
  pause_ = ComputePause(cmdPauseText_);
  tailChars_ = LeadingInt(cmdTailText_);
  requests_ = cmdRequests_;
  enabled_ = cmdEnabled_;
  listReport_ = true;
  started_ = true;
}

bool CModbusSlave::FirstPollSetup() {
  TakeStartParameters();
  if (Open(portName_) != 0) {
    lineIdle_ = true;
    Post(WM_USER_PORT_FAIL, 0, 0);
    Show(NotOpenMessage(portName_));
    return false;
  }
  Post(WM_USER_PORT_OPEN, 0, 0);
  recovery_.Opened();
  if (Configure(LeadingInt(baudText_), pause_.timeoutMs) != 0) {
    lineIdle_ = true;
    Show(PortMessage(txt::kNotConfigured, portName_));
    return false;
  }
  lineIdle_ = false;
  return true;
}

void CModbusSlave::ServeOpenPort() {
  // An OpenPort that comes before the first poll step must not skip taking
  // the start parameters (device list, pause, requests).
  if (!started_) TakeStartParameters();
  {
    std::lock_guard lock(mutex_);
    portName_ = cmdPortName_;
  }
  // The operator's choice ends any wait for a device that went away.
  recovery_.Closed();
  if (Open(portName_) == 0) {
    recovery_.Opened();
    events_.Set(kEvConfigure);
    Post(WM_USER_PORT_OPEN, 0, 0);
    return;
  }
  lineIdle_ = true;
  Post(WM_USER_CLEAR, 0, 0);
  Post(WM_USER_PORT_FAIL, 0, 0);
  if (portName_ != kClosePortName) Show(NotOpenMessage(portName_));
}

void CModbusSlave::ServeConfigure() {
  {
    std::lock_guard lock(mutex_);
    baudText_ = cmdBaudText_;
  }
  Post(WM_USER_CLEAR, 0, 0);
  // A line that waits for its device takes the baud rate when it reopens.
  if (recovery_.State() == LineWatch::Waiting) {
    Rearm();
    return;
  }
  if (Configure(LeadingInt(baudText_), pause_.timeoutMs) != 0) {
    lineIdle_ = true;
    Show(PortMessage(txt::kNotConfigured, portName_));
  } else {
    lineIdle_ = false;
  }
  Rearm();
}

void CModbusSlave::ServePause() {
  {
    std::lock_guard lock(mutex_);
    pause_ = ComputePause(cmdPauseText_);
  }
  idleCount_ = 0;
  // A closed line has nothing to reconfigure: the new time-out is applied
  // when the line is next configured.
  if (IsOpen() && Configure(LeadingInt(baudText_), pause_.timeoutMs) != 0) {
    Show(PortMessage(txt::kNotConfigured, portName_));
    return;
  }
  Rearm();
}

void CModbusSlave::ServeSingleWrite() {
  SingleWrite w{};
  bool have = false;
  {
    std::lock_guard lock(mutex_);
    if (!singleQueue_.empty()) {
      w = singleQueue_.front();
      singleQueue_.erase(singleQueue_.begin());
      have = true;
    }
  }
  if (have) {
    {
      std::lock_guard lock(mutex_);
      executing_ = std::move(w.list);
    }
    const int result = WriteRegister(w.slave, w.function, w.reg, w.value);
    {
      std::lock_guard lock(mutex_);
      executing_.reset();
    }
    if (result != 0) LoseLineIfGone();
  }
  bool more;
  {
    std::lock_guard lock(mutex_);
    more = !singleQueue_.empty();
  }
  if (more) {
    // One write per wake-up: commands of higher priority get their turn.
    Sleep(kBetweenSingleWritesMs);
    events_.Set(kEvSingleWrite);
  } else {
    Rearm();
  }
}

void CModbusSlave::ServeBlockWrite() {
  BlockWrite w{};
  bool have = false;
  {
    std::lock_guard lock(mutex_);
    if (!blockQueue_.empty()) {
      w = std::move(blockQueue_.front());
      blockQueue_.erase(blockQueue_.begin());
      have = true;
    }
  }
  if (have) {
    {
      std::lock_guard lock(mutex_);
      executing_ = std::move(w.list);
    }
    const int result = WriteRegisters(w.slave, w.first, w.words, w.report, w.verify);
    {
      std::lock_guard lock(mutex_);
      executing_.reset();
    }
    if (result != 0) LoseLineIfGone();
  }
  bool more;
  {
    std::lock_guard lock(mutex_);
    more = !blockQueue_.empty();
  }
  if (more)
    events_.Set(kEvBlockWrite);
  else
    Rearm();
}

bool CModbusSlave::LoseLineIfGone() {
  if (!IsOpen() || !DeviceGone()) return false;
  recovery_.SetEnabled(reconnect_.load());
  if (!recovery_.Lost(NowMs())) return false;
  // Closed at once: a USB adapter that is plugged back in gets its old name
  // only when nobody holds the old device open.
  Close();
  Post(WM_USER_LINE_LOST, 0, 0);
  return true;
}

bool CModbusSlave::WatchForDevice() {
  recovery_.SetEnabled(reconnect_.load());
  if (recovery_.State() != LineWatch::Waiting) {
    // Reconnecting was switched off meanwhile: the line is down like one that failed to open.
    lineIdle_ = true;
    Post(WM_USER_PORT_FAIL, 0, 0);
    return !stopping_.load();
  }
  const std::int64_t now = NowMs();
  if (!recovery_.LookDue(now)) {
    Sleep(std::min(recovery_.MsUntilLook(now), kWatchSliceMs));
    Rearm();
    return !stopping_.load();
  }
  if (recovery_.Looked(now, DevicePresent(portName_))) {
    if (Open(portName_) == 0 && Configure(LeadingInt(baudText_), pause_.timeoutMs) == 0) {
      recovery_.Opened();
      lineIdle_ = false;
      idleCount_ = 0;
      lastResult_ = 1;
      Post(WM_USER_PORT_OPEN, 0, 0);
      Rearm();
      return !stopping_.load();
    }
    if (IsOpen()) Close();
    recovery_.ReopenFailed(NowMs());
  }
  Rearm();
  return !stopping_.load();
}

void CModbusSlave::ServeSideTraffic() {
  std::lock_guard lock(sideMutex_);
  if (side_) side_->ServeBetweenPolls(*this);
}

bool CModbusSlave::PollStep() {
  if (portName_ == kNoPortYet && !FirstPollSetup()) return !stopping_.load();
  if (recovery_.State() == LineWatch::Waiting) return WatchForDevice();
  if (lineIdle_) return true;

  const int before = idleCount_++;
  if (before < pause_.slices && lastResult_ != 1) {
    Sleep(pause_.slice);
    Rearm();
    return !stopping_.load();
  }
  idleCount_ = 0;
  if (masterRole_.load()) ServeSideTraffic();
  if (devices_.empty()) {
    Sleep(kEmptyListSleepMs);
    Resume();
    return !stopping_.load();
  }
  if (++position_ >= static_cast<int>(devices_.size())) {
    position_ = 0;
    Post(WM_USER_CYCLE, 0, 0);
  }

  if (!masterRole_.load()) {
    const int r = ReceiveRequest();
    Post(WM_USER_RESULT, r, 0);
    if (r == 2 && LoseLineIfGone()) {
      Resume();
      return !stopping_.load();
    }
    if (r == 0 || r == 4) {
      waitingHandOver_.store(true);
      Post(WM_USER_REQUEST, r, 0);
    } else {
      Resume();
    }
    return !stopping_.load();
  }

  const std::uint8_t address = devices_[static_cast<std::size_t>(position_)];
  std::uint16_t words[256];
  for (std::size_t i = 0; i < requests_.size(); ++i) {
    if (i >= enabled_.size() || !enabled_[i]) continue;
    const PollRequest& req = requests_[i];
    int r = 1;
    int m = 1, n = 1;
    for (;;) {
      // A command overtakes the rest of this detector's poll.
      const int e = events_.TestAny();
      if (e >= 0 && e != kEvRun) return Serve(e);
      r = ReadRegisters(address, readFunction_, req.first, req.count, words);
      lastResult_ = r;
      Post(WM_USER_RESULT, r, position_);
      if (stopping_.load()) return false;
      if (r == 0) break;
      if (LoseLineIfGone()) break;
      if (r == 2) m = 0;
      // Two failures in a row end the attempts; a short answer restarts that
      // count, but no request goes out more than three times.
      if (m < 2 && n < 3) {
        ++m;
        ++n;
        continue;
      }
      break;
    }
    if (r != 0) {
      const int e = events_.TestAny();
      if (e >= 0 && e != kEvRun) return Serve(e);
      failedPosition_ = position_;
      Post(WM_USER_CLEAR, 0, 0);
      Resume();
      return true;
    }
    for (int k = 0; k < req.count && req.offset + k < kPollImageWords; ++k) pollImage_[req.offset + k] = words[k];
    Sleep(kAfterRequestSleepMs);
  }
  lastPosition_ = position_;
  imagePollSet_ = pollSetNumber_;
  if (listReport_) {
    listReport_ = false;
    Post(WM_USER_CONFIG, 0, 0);
  }
  // Set before posting: the window may answer with Resume at once.
  waitingHandOver_.store(true);
  Post(WM_USER_DATA, 0, 0);
  return !stopping_.load();
}

}  // namespace kvl
