#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "platform/clock.h"
#include "platform/serial_line.h"

namespace kvl::platform {
namespace {

// Longest single wait inside ReadFile: a stop request is noticed within it.
constexpr DWORD kReadSliceMs = 20;

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_SHARING_VIOLATION: return EBUSY;
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_OPERATION_ABORTED: return EINTR;
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
    case ERROR_DEVICE_REMOVED: return ENODEV;
    default: return EIO;
  }
}

bool IsStandardRate(int baud) {
  for (int rate : {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
    if (rate == baud) return true;
  return false;
}

}  // namespace

struct CSerialLine::Handles {
  HANDLE port = INVALID_HANDLE_VALUE;
  HANDLE wake = nullptr;
  std::atomic<bool> woken{false};
  COMMTIMEOUTS timeouts{};
  DWORD readSliceSet = 0;  // the read wait the driver has now
};

bool IsPortPath(const std::string& name) { return name.find_first_of("/\\") != std::string::npos; }

// "\\.\COMn" reaches every port, COM10 and above too.
std::string NumberedPortPath(int n) { return "\\\\.\\COM" + std::to_string(n); }

std::string NamedPortPath(const std::string& name) { return "\\\\.\\" + name; }

// Every COM port is offered by its number already; the system names no others.
std::vector<std::string> PresentSerialDevices() { return {}; }

bool SerialDeviceExists(const std::string& devicePath) {
  const std::string prefix = "\\\\.\\";
  const std::string name = devicePath.rfind(prefix, 0) == 0 ? devicePath.substr(prefix.size()) : devicePath;
  char target[1024];
  return QueryDosDeviceA(name.c_str(), target, sizeof target) != 0;
}

// Windows tells no one who holds a port.
LineHolder FindLineHolder(const std::string& /*devicePath*/) { return {}; }

CSerialLine::CSerialLine() : h_(new Handles) { h_->wake = CreateEventA(nullptr, TRUE, FALSE, nullptr); }

CSerialLine::~CSerialLine() {
  if (h_->port != INVALID_HANDLE_VALUE) CloseHandle(h_->port);
  if (h_->wake) CloseHandle(h_->wake);
  delete h_;
}

bool CSerialLine::IsOpen() const { return h_->port != INVALID_HANDLE_VALUE; }

int CSerialLine::Open(const std::string& devicePath, bool* hasRts) {
  // No sharing: the line is this program's alone while it is open.
  HANDLE port = CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    // A COM port another program has open answers "access denied": the
    // same refusal as a held line elsewhere.
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED ? EBUSY : ErrnoOf(error);
  }
  if (GetFileType(port) != FILE_TYPE_CHAR) {
    CloseHandle(port);
    return ENOTTY;
  }
  SetupComm(port, 4096, 4096);
  h_->port = port;
  h_->readSliceSet = 0;
  // An RS-485 converter would drive the bus until the first frame's ClearRTS.
  *hasRts = EscapeCommFunction(port, CLRRTS) != 0;
  EscapeCommFunction(port, CLRDTR);
  return 0;
}

int CSerialLine::Configure(int baud, int writePerByteMs, int writeConstantMs) {
  if (!IsOpen()) return EBADF;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h_->port, &dcb)) return ErrnoOf(GetLastError());
  if (!IsStandardRate(baud)) return EINVAL;
  dcb.BaudRate = DWORD(baud);
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  // RTS and DTR are this program's to drive (RTS around each frame, DTR held low).
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  if (!SetCommState(h_->port, &dcb)) return EINVAL;
  h_->timeouts.WriteTotalTimeoutMultiplier = DWORD(std::max(writePerByteMs, 0));
  h_->timeouts.WriteTotalTimeoutConstant = DWORD(std::max(writeConstantMs, 0));
  h_->timeouts.ReadIntervalTimeout = MAXDWORD;
  h_->timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
  h_->timeouts.ReadTotalTimeoutConstant = kReadSliceMs;
  if (!SetCommTimeouts(h_->port, &h_->timeouts)) return ErrnoOf(GetLastError());
  h_->readSliceSet = kReadSliceMs;
  return 0;
}

int CSerialLine::Close() {
  if (!IsOpen()) return EBADF;
  const BOOL ok = CloseHandle(h_->port);
  h_->port = INVALID_HANDLE_VALUE;
  return ok ? 0 : ErrnoOf(GetLastError());
}

bool CSerialLine::SetRts(bool raised) { return EscapeCommFunction(h_->port, raised ? SETRTS : CLRRTS) != 0; }

int CSerialLine::ReadSome(std::uint8_t* buffer, std::size_t n, std::int64_t deadlineNs) {
  for (;;) {
    if (h_->woken.load(std::memory_order_acquire)) return 0;
    const std::int64_t left = deadlineNs - MonotonicNs();
    if (left <= 0) return 0;
    // "Return what has come, else wait up to the constant for the first
    // byte": the driver's own way of waiting for input with a bound.
    const DWORD slice = std::min<DWORD>(DWORD((left + 999999) / 1000000), kReadSliceMs);
    if (slice != h_->readSliceSet) {
      h_->timeouts.ReadTotalTimeoutConstant = slice;
      if (!SetCommTimeouts(h_->port, &h_->timeouts)) return -ErrnoOf(GetLastError());
      h_->readSliceSet = slice;
    }
    DWORD got = 0;
    if (!::ReadFile(h_->port, buffer, DWORD(std::min<std::size_t>(n, 65536)), &got, nullptr))
      return -ErrnoOf(GetLastError());
    if (got > 0) return int(got);
  }
}

int CSerialLine::WriteSome(const std::uint8_t* data, std::size_t n, std::int64_t /*deadlineNs*/) {
  // The write time-outs set with the rate bound the whole write.
  DWORD written = 0;
  if (!::WriteFile(h_->port, data, DWORD(std::min<std::size_t>(n, 65536)), &written, nullptr))
    return -ErrnoOf(GetLastError());
  return int(written);
}

void CSerialLine::Drain() {
  if (IsOpen()) FlushFileBuffers(h_->port);
}

void CSerialLine::Purge() {
  if (IsOpen()) PurgeComm(h_->port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
}

bool CSerialLine::WaitUntil(std::int64_t deadlineNs) {
  for (;;) {
    if (h_->woken.load(std::memory_order_acquire)) return false;
    const std::int64_t left = deadlineNs - MonotonicNs();
    if (left <= 0) return true;
    // The system's waits end on its timer tick: wait to within a
    // millisecond and give the rest away in yields.
    if (left > 2000000) {
      if (WaitForSingleObject(h_->wake, DWORD(left / 1000000 - 1)) == WAIT_OBJECT_0) return false;
    } else {
      SwitchToThread();
    }
  }
}

void CSerialLine::Wake() {
  h_->woken.store(true, std::memory_order_release);
  if (h_->wake) SetEvent(h_->wake);
}

void CSerialLine::ClearWake() {
  h_->woken.store(false, std::memory_order_release);
  if (h_->wake) ResetEvent(h_->wake);
}

}  // namespace kvl::platform
