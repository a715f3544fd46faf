#include "link/serial_port.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/clock.h"
#include "text/format.h"
#include "text/link_texts.h"

namespace kvl {
namespace {

constexpr std::int64_t kNsPerMs = 1000000;

bool ParsePortNumber(const std::string& digits, int* n) {
  if (digits.empty() || digits.size() > 4) return false;
  int v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < 1) return false;
  *n = v;
  return true;
}

}  // namespace

std::int64_t MonotonicNs() { return platform::MonotonicNs(); }

std::string LineBusyText(const std::string& devicePath, const platform::LineHolder& holder, LanguageIndex lang) {
  if (holder.pid == 0) return Format(txt::kLineBusy(lang), devicePath.c_str());
  const std::string program = holder.program.empty() ? "?" : holder.program;
  return Format(txt::kLineBusyBy(lang), devicePath.c_str(), program.c_str(), holder.pid);
}

std::string SerialDevicePath(const std::string& portName) {
  if (platform::IsPortPath(portName)) return portName;
  int n = 0;
  if (ParsePortNumber(portName, &n)) return platform::NumberedPortPath(n);
  if (portName.size() > 3 && (portName[0] == 'C' || portName[0] == 'c') &&
      (portName[1] == 'O' || portName[1] == 'o') && (portName[2] == 'M' || portName[2] == 'm') &&
      ParsePortNumber(portName.substr(3), &n))
    return platform::NumberedPortPath(n);
  return platform::NamedPortPath(portName);
}

std::string PortItemFor(const std::string& typed) {
  const std::size_t first = typed.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const std::string name = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
  if (platform::IsPortPath(name)) return name;
  int n = 0;
  if (ParsePortNumber(name, &n) && n <= 256) return std::to_string(n);
  if (name.size() > 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
      (name[2] == 'M' || name[2] == 'm') && ParsePortNumber(name.substr(3), &n) && n <= 256)
    return std::to_string(n);
  return platform::NamedPortPath(name);
}

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> ports = platform::PresentSerialDevices();
  for (auto& n : NumberedPortNames()) ports.push_back(std::move(n));
  return ports;
}

std::vector<std::string> NumberedPortNames() {
  std::vector<std::string> names;
  names.reserve(256);
  for (int i = 1; i <= 256; ++i) names.push_back(std::to_string(i));
  return names;
}

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort() = default;

int CSerialPort::Open(const std::string& portName) {
  if (IsOpen()) Close();
  devicePath_ = SerialDevicePath(portName);
  bool hasRts = true;
  holder_ = {};
  if (const int err = line_.Open(devicePath_, &hasRts)) {
    lastError_ = err;
    if (err == EBUSY) holder_ = platform::FindLineHolder(devicePath_);
    return 1;
  }
  hasRts_ = hasRts;
  baud_ = 0;
  deviceGone_ = false;
  ++openCount_;
  return 0;
}

int CSerialPort::Configure(int baud, int timeoutMs) {
  if (!IsOpen()) {
    lastError_ = EBADF;
    return 1;
  }
  if (baud <= 0) {
    lastError_ = EINVAL;
    return 2;
  }
  const int perByte = 10000 / baud;
  if (const int err = line_.Configure(baud, perByte, 500)) {
    lastError_ = err;
    return 2;
  }
  baud_ = baud;
  const int t = std::max(timeoutMs, 0);
  readIntervalMs_ = t;
  readPerByteMs_ = perByte;
  readConstantMs_ = t;
  writePerByteMs_ = perByte;
  writeConstantMs_ = 500;
  return 0;
}

int CSerialPort::Close() {
  if (!IsOpen()) return 2;
  const int err = line_.Close();
  baud_ = 0;
  if (err != 0) {
    lastError_ = err;
    return 1;
  }
  return 0;
}

void CSerialPort::SetRTS() {
  if (IsOpen() && hasRts_) hasRts_ = line_.SetRts(true);
}

void CSerialPort::ClearRTS() {
  if (IsOpen() && hasRts_) hasRts_ = line_.SetRts(false);
}

bool CSerialPort::DevicePresent(const std::string& portName) {
  return platform::SerialDeviceExists(SerialDevicePath(portName));
}

void CSerialPort::NoteFailure(int err) {
  lastError_ = err;
  if (err == EIO || err == ENXIO || err == ENODEV) deviceGone_ = true;
}

int CSerialPort::Read(std::uint16_t n, std::uint8_t* buffer) {
  if (n == 0) return 0;
  const std::int64_t start = MonotonicNs();
  return ReadUntil(n, buffer, start + (static_cast<std::int64_t>(readPerByteMs_) * n + readConstantMs_) * kNsPerMs);
}

int CSerialPort::ReadWithin(std::uint16_t n, std::uint8_t* buffer, int totalMs) {
  if (n == 0) return 0;
  return ReadUntil(n, buffer, MonotonicNs() + static_cast<std::int64_t>(std::max(totalMs, 0)) * kNsPerMs);
}

int CSerialPort::ReadUntil(std::uint16_t n, std::uint8_t* buffer, std::int64_t total) {
  int got = 0;
  std::int64_t lastByte = 0;
  bool failed = !IsOpen();
  if (failed) lastError_ = EBADF;
  while (!failed && got < n) {
    std::int64_t deadline = total;
    if (got > 0 && readIntervalMs_ > 0) deadline = std::min(deadline, lastByte + readIntervalMs_ * kNsPerMs);
    if (MonotonicNs() >= deadline || AbortRequested()) break;
    const int r = line_.ReadSome(buffer + got, std::size_t(n - got), deadline);
    if (r > 0) {
      got += r;
      lastByte = MonotonicNs();
    } else if (r < 0) {
      NoteFailure(-r);
      failed = true;
    }
  }
  if (failed) {
    ++readErrors_;
    SleepUntilNs(total);
    return kReadFailed;
  }
  return got == n ? n : -got;
}

int CSerialPort::Write(const std::uint8_t* data, std::size_t n) {
  if (!IsOpen()) return lastError_ = EBADF;
  const std::int64_t deadline =
      MonotonicNs() + (static_cast<std::int64_t>(writePerByteMs_) * static_cast<std::int64_t>(n) + writeConstantMs_) * kNsPerMs;
  std::size_t done = 0;
  while (done < n) {
    const int w = line_.WriteSome(data + done, n - done, deadline);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0) {
      NoteFailure(-w);
      return lastError_;
    }
    if (MonotonicNs() >= deadline || AbortRequested()) return lastError_ = ETIMEDOUT;
  }
  return 0;
}

void CSerialPort::WaitTransmitted() {
  if (IsOpen()) line_.Drain();
}

void CSerialPort::Purge() {
  if (IsOpen()) line_.Purge();
}

int CSerialPort::CharsToMs(int n, int baud) {
  const int ms = baud != 0 ? n * 10000 / baud : n * 10;
  return ms == 0 ? 1 : ms;
}

void CSerialPort::WaitChars(int n) {
  const int ms = CharsToMs(n, baud_);
  if (ms >= 100)
    Sleep(ms);
  else
    WaitPrecise(ms);
}

void CSerialPort::WaitPrecise(int ms) {
  platform::PreparePreciseWaits();
  SleepUntilNs(MonotonicNs() + static_cast<std::int64_t>(ms) * kNsPerMs);
}

void CSerialPort::Sleep(int ms) { SleepUntilNs(MonotonicNs() + static_cast<std::int64_t>(ms) * kNsPerMs); }

bool CSerialPort::SleepUntilNs(std::int64_t deadlineNs) {
  if (AbortRequested()) return false;
  return line_.WaitUntil(deadlineNs) && !AbortRequested();
}

void CSerialPort::RequestAbort() {
  abort_.store(true, std::memory_order_release);
  line_.Wake();
}

void CSerialPort::ResetAbort() {
  abort_.store(false, std::memory_order_release);
  line_.ClearWake();
}

}  // namespace kvl
