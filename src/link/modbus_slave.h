#pragma once
// The Modbus RTU link of one serial line: the bus master's transactions (and
// the slave role used to imitate detectors), and the worker thread that owns
// the line, polls the device list and executes queued writes.
//
// The window talks to the worker only through the commands below. Each command
// is an auto-reset event plus parameters stored under the link's lock; the
// worker serves the lowest-numbered signalled event first. After a detector's
// registers are read the worker posts WM_USER_DATA and waits: it polls on only
// once the window has copied the poll image and called Resume().
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/event_set.h"
#include "link/line_recovery.h"
#include "link/link_observer.h"
#include "link/messages.h"
#include "link/modbus_frames.h"
#include "link/operator.h"
#include "link/serial_port.h"
#include "link/side_traffic.h"
#include "link/write_list.h"
#include "text/language.h"

namespace kvl {

// Worker events, in priority order.
enum LinkEvent : int {
  kEvStop = 0,
  kEvOpenPort = 1,
  kEvConfigure = 2,
  kEvDeviceList = 3,
  kEvReadFunction = 4,
  kEvSingleWrite = 5,
  kEvPollRequests = 6,
  kEvBlockWrite = 7,
  kEvPollSet = 8,
  kEvSuspend = 9,
  kEvPause = 10,
  kEvTail = 11,
  kEvRun = 12,
  kLinkEventCount = 13,
};

// Port name that closes the line without opening another.
inline constexpr const char* kClosePortName = "closeport";

class CModbusSlave : public CSerialPort {
 public:
  static constexpr int kPollImageWords = 256;
  static constexpr std::size_t kMaxDevices = 256;

  CModbusSlave();
  // Stops the worker if it still runs.
  ~CModbusSlave() override;

  // Where reports and dialogs go; the window's operator, or a test's. May be
  // null (reports are then dropped). Set before StartWorker.
  void SetOperator(COperator* op) { operator_ = op; }
  // Optional traffic watcher; set before StartWorker or while no transaction runs.
  void SetObserver(CLinkObserver* observer) { observer_.store(observer, std::memory_order_release); }
  // Told of every write list sent (the write journal); set before StartWorker
  // or while no write runs. May be null.
  void SetWriteListener(CWriteListener* listener) { writeListener_.store(listener, std::memory_order_release); }
  // Another device on this line, served between two detectors' polls (master
  // role only). Null detaches it; returns once a step in progress is over.
  void SetSideTraffic(CSideTraffic* side) {
    std::lock_guard lock(sideMutex_);
    side_ = side;
  }

  // ---- Write lists (the caller's thread) ----
  // The writes queued or made directly between Begin and End form one list
  // per detector, told to the listener (and to origin.done) once the last of
  // them has run and the list has ended. A write outside any list is a list
  // of its own (a queue call's writes together). A new Begin ends the last list.
  void BeginWriteList(WriteOrigin origin);
  void EndWriteList();

  // ---- Line options (any thread; taken at the next frame or poll step) ----
  // A two-wire adapter that sends back every byte it transmits: each frame's
  // echo is read back and checked before the answer is waited for. A missing
  // or wrong echo fails that transaction (no answer / short answer). The
  // operator is told once per opening of the line, both when the echo fails
  // and when the line echoes while this is off.
  void SetEcho(bool on) { echo_.store(on); }
  bool Echo() const { return echo_.load(); }
  // The worker reopens a line whose device went away once it is back at the
  // same path (line_recovery.h), posting WM_USER_LINE_LOST meanwhile.
  void SetReconnect(bool on) { reconnect_.store(on); }

  // ---- Transactions (worker thread, or a caller that owns the line alone) ----
  // 0 valid answer, words in `answer`; 1 no answer; 2 short answer or the read
  // failed; 3 CRC wrong; 4 address, function or byte count wrong.
  int ReadRegisters(std::uint8_t slave, std::uint8_t function, std::uint16_t first, std::uint8_t count,
                    std::uint16_t* answer);
  // 0 written (echo received); 1 failed (reported).
  int WriteRegister(std::uint8_t slave, std::uint8_t function, std::uint16_t reg, std::uint16_t value);
  // 0 written and check read answered; 1 failed (reported). The check read is
  // compared with the words; with `verify` a difference fails the write and
  // is reported register by register.
  int WriteRegisters(std::uint8_t slave, std::uint16_t first, const std::vector<std::uint16_t>& words,
                     bool report, bool verify = false);
  // Announces n writes whose failures are collected and shown once, after the last.
  void BeginBatch(int n);
  // 0 and 1 are taken; anything else keeps the language.
  void SetLanguage(LanguageIndex lang);
  LanguageIndex Language() const { return language_.load(); }
  // Slave role: 0 read request (function 3 or 4); 4 another function
  // (write-multiple requests are read whole); 1 nothing; 2 read failed or not
  // 8 bytes; 3 CRC wrong.
  int ReceiveRequest();
  // Slave role: sends an answer (see BuildResponse).
  void SendResponse(std::uint8_t slave, std::uint8_t function, const std::vector<std::uint16_t>& words);
  ModbusRequest LastRequest() const { return lastRequest_; }

  void SetReadFunction(std::uint8_t function) { readFunction_ = function == 4 ? 4 : 3; }
  std::uint8_t ReadFunction() const { return readFunction_; }
  void SetTailChars(int tail) { tailChars_ = tail; }
  void SetBaudText(const std::string& baud) { baudText_ = baud; }
  int BatchLeft() const;
  std::string BatchText() const;

  // ---- Worker commands (window thread) ----
  void StartWorker(CMessageTarget* target, int lineNumber, const std::string& portName,
                   const std::string& baudText, const std::vector<std::uint8_t>& devices,
                   const std::string& readFunctionText, const std::string& pauseText,
                   const std::string& tailCharsText, bool masterRole);
  // 0 ended in time; 20 the worker needed longer than 2.5 s (it is still
  // joined: every wait of the worker gives way to the stop).
  int StopWorker();
  bool WorkerRunning() const { return worker_.joinable(); }
  void OpenPort(const std::string& portName);
  void SetBaud(const std::string& baudText);
  // `position` is the entry taken as polled last: polling goes on with the
  // entry after it; -1 (or any position that is not before the last entry)
  // starts at the first entry.
  void SetDeviceList(const std::vector<std::uint8_t>& devices, int position, bool report);
  void SetPollRequests(const std::vector<std::uint16_t>& firsts, const std::vector<std::uint8_t>& counts,
                       const std::vector<std::uint8_t>& offsets);
  void SelectPollSet(const std::vector<int>& requestIndices, int pollSetNumber);
  void SetPause(const std::string& pauseText);
  void SetMasterRole(bool master) { masterRole_.store(master); }
  void QueueWrite(std::uint8_t slave, std::uint16_t reg, std::uint16_t value, int tag);
  void QueueWrites(std::uint8_t slave, const std::vector<std::uint16_t>& regs,
                   const std::vector<std::uint16_t>& values, int tag);
  void QueueWritesTo(const std::vector<std::uint8_t>& slaves, const std::vector<std::uint16_t>& regs,
                     const std::vector<std::uint16_t>& values, std::uint8_t function, int tag);
  void QueueBlockWrite(std::uint8_t slave, std::uint16_t first, const std::vector<std::uint16_t>& words,
                       bool report, bool verify = false);
  void Suspend();
  void Resume();

  // ---- Hand-over state (window thread, between WM_USER_DATA and Resume) ----
  const std::uint16_t* PollImage() const { return pollImage_; }
  int LastPosition() const { return lastPosition_; }
  int FailedPosition() const { return failedPosition_; }
  int ImagePollSet() const { return imagePollSet_; }

  // Pause slicing of a pause text: slices of at most 100 ms, and the read
  // time-out (the pause when above 200 ms, else 200 ms).
  struct PauseTiming {
    int slices = 1;
    int slice = 0;
    int timeoutMs = 200;
  };
  static PauseTiming ComputePause(const std::string& pauseText);

 private:
  // A write list on its way: the writes expected and done per detector.
  struct WriteListState {
    WriteOrigin origin;
    bool ended = false;
    struct Group {
      std::uint8_t slave = 0;
      int expected = 0;
      bool told = false;
      std::vector<LinkWriteDone> done;
      // The serial number read before the first write, and the check's outcome.
      enum class Identity { Unread, Passed, Refused } identity = Identity::Unread;
      std::string serialRead;
      std::string refusal;
      bool refusalShown = false;
    };
    std::vector<Group> groups;
    Group& GroupOf(std::uint8_t slave);
  };
  using ListPtr = std::shared_ptr<WriteListState>;
  struct SingleWrite {
    std::uint8_t slave;
    std::uint8_t function;
    std::uint16_t reg;
    std::uint16_t value;
    int tag;
    ListPtr list;
  };
  struct BlockWrite {
    std::uint8_t slave;
    std::uint16_t first;
    std::vector<std::uint16_t> words;
    bool report;
    bool verify;
    ListPtr list;
  };

  int DoWriteRegister(std::uint8_t slave, std::uint8_t function, std::uint16_t reg, std::uint16_t value);
  int DoWriteRegisters(std::uint8_t slave, std::uint16_t first, const std::vector<std::uint16_t>& words, bool report,
                       bool verify);
  // The steps of DoWriteRegisters. The write goes out until the detector
  // confirms it (false: the failure has been reported); the check read
  // gives ReadRegisters' result and notes the registers that differ.
  bool SendWriteUntilAccepted(std::uint8_t slave, std::uint16_t first,
                              const std::vector<std::uint16_t>& words, bool batchDone, LanguageIndex l);
  std::string WriteRefusedLine(std::uint8_t slave, const std::vector<std::uint8_t>& request,
                               const std::vector<std::uint8_t>& got, LanguageIndex l) const;
  void ReportWriteUnanswered(std::uint8_t slave, const std::vector<std::uint8_t>& got, bool batchDone,
                             LanguageIndex l);
  int CheckReadAfterWrite(std::uint8_t slave, std::uint16_t first, const std::vector<std::uint16_t>& words);
  void ReportReadBackDifferences(std::uint8_t slave, bool batchDone, LanguageIndex l);
  void ReportWriteDone(bool batchDone, bool reportDone, LanguageIndex l);
  // The open list, or (none open) a new one that has already ended; mutex_ held.
  ListPtr AdoptListLocked();
  // The identity check of the list a write belongs to (modbus_identity.cpp):
  // true when the write may go out. The first write of a list to a detector
  // reads its serial number; a refused detector gets none of the list's writes.
  bool IdentityAllows(std::uint8_t slave);
  std::string IdentityRefusal(std::uint8_t slave, const WriteIdentity& identity,
                              const std::optional<std::uint32_t>& found);
  std::optional<std::uint32_t> ReadSerial(std::uint8_t slave, const SerialRead& read);
  // A write the identity check holds back: counted in the batch, reported once per detector.
  int SkipRefusedWrite(std::uint8_t slave);
  // Files a finished transaction with its list and tells a list that is complete.
  void Account(std::uint8_t slave, LinkWriteDone done);
  void Tell(const WriteListState& list, const WriteListState::Group& group);
  struct PollRequest {
    std::uint16_t first;
    std::uint8_t count;
    std::uint8_t offset;
  };

  // Send phase: RTS, turn-around waits, purge, write, drain, and with the
  // echo option the echo's check (echoResult_). 0 or the errno of a failed write.
  int SendFrame(const Bytes& frame, int preChars, bool readFollows, bool slaveRole = false);
  // Reads the echo of a frame just sent; 0 it came whole, 1 nothing came, 2
  // something else came. The bytes read are in `echo`.
  int TakeEcho(const Bytes& frame, Bytes& echo);
  // Shows a line notice (a printf format of the device path) unless one was
  // shown since the line was last opened.
  void TellOnce(const TextEntry& text);
  // Reads up to n bytes; the Read() result, bytes in `answer`.
  int ReadAnswer(std::uint16_t n, Bytes& answer);
  // Slave role: reads the rest of a write-multiple request whose first 8 bytes
  // came; true when `got` then holds the whole request.
  bool ReadRestOfBlockRequest(Bytes& got);
  void Trace(FrameDirection dir, const std::uint8_t* data, std::size_t n, int result, bool slaveRole = false);
  void Show(const std::string& text, MessageIcon icon = MessageIcon::None);
  // Appends one report line; shows the batch text when this write ends the batch.
  void Report(const std::string& line, bool batchDone);
  bool DecrementBatch();
  std::string PortMessage(const TextEntry& what, const std::string& port) const;
  // "Port ... is not open", with the program holding it when that was the reason.
  std::string NotOpenMessage(const std::string& port) const;

  // Worker side.
  void WorkerMain();
  bool Serve(int event);  // false: stop
  bool PollStep();        // false: stop
  bool FirstPollSetup();
  void TakeStartParameters();
  void Rearm();
  void ServeOpenPort();
  void ServeConfigure();
  void ServePause();
  void ServeSingleWrite();
  void ServeBlockWrite();
  // After a failed transaction: when the device has gone and reconnecting is
  // on, closes the line, posts WM_USER_LINE_LOST and starts watching. True then.
  bool LoseLineIfGone();
  // One poll step while the device is gone: a look at its path when due, a
  // short sleep otherwise, so that commands are served in between.
  bool WatchForDevice();
  void Post(unsigned message, std::intptr_t w, std::intptr_t l);

  COperator* operator_ = nullptr;
  std::atomic<CLinkObserver*> observer_{nullptr};
  std::atomic<CWriteListener*> writeListener_{nullptr};
  std::mutex sideMutex_;
  CSideTraffic* side_ = nullptr;  // guarded by sideMutex_
  void ServeSideTraffic();
  ListPtr openList_;    // guarded by mutex_
  ListPtr executing_;   // the list of the queued write running now (worker)
  bool lastChecked_ = false;                     // of the last block write
  std::vector<ReadBackDifference> lastDifferences_;
  WriteFailure lastFailure_ = WriteFailure::kNone;  // of the last write (either function)
  std::uint8_t lastException_ = 0;
  void Fail(WriteFailure why, std::uint8_t exception = 0) {
    lastFailure_ = why;
    lastException_ = exception;
  }

  // Transaction members.
  std::atomic<LanguageIndex> language_{0};
  std::uint8_t readFunction_ = 3;
  int tailChars_ = 3;
  std::string baudText_;
  ModbusRequest lastRequest_;
  int batchLeft_ = 0;  // guarded by mutex_
  std::string batchText_;
  std::optional<int> pendingBatch_;
  std::atomic<bool> echo_{false};
  int echoResult_ = 0;  // of the last SendFrame
  Bytes echoBytes_;
  unsigned noticeOpening_ = 0;  // OpenCount() when a line notice was last shown

  // Worker members.
  std::thread worker_;
  CEventSet events_{kLinkEventCount};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> workerDone_{false};
  bool started_ = false;  // start parameters taken
  CMessageTarget* target_ = nullptr;
  int lineNumber_ = 0;
  mutable std::mutex mutex_;  // parameters and queues below, batch state above
  // Stored by commands (window thread), taken by the worker under the lock.
  std::string cmdPortName_, cmdBaudText_, cmdPauseText_, cmdTailText_;
  std::vector<std::uint8_t> cmdDevices_;
  int cmdPosition_ = -1;
  bool cmdListReport_ = false;
  std::vector<PollRequest> cmdRequests_;
  std::vector<int> cmdEnabled_;
  int cmdPollSetNumber_ = -1;
  std::vector<SingleWrite> singleQueue_;
  std::vector<BlockWrite> blockQueue_;
  std::atomic<bool> masterRole_{true};
  std::atomic<bool> suspended_{false};
  std::atomic<bool> waitingHandOver_{false};
  std::atomic<bool> reconnect_{false};
  CLineRecovery recovery_;  // worker's
  // Worker's own copies.
  std::string portName_ = "N";
  std::vector<std::uint8_t> devices_;
  std::vector<PollRequest> requests_;
  std::vector<int> enabled_;
  int pollSetNumber_ = -1;
  bool listReport_ = false;
  bool lineIdle_ = false;  // the last open or configuration failed
  PauseTiming pause_;
  int position_ = -1;
  int idleCount_ = 0;
  int lastResult_ = 1;
  // Hand-over state.
  std::uint16_t pollImage_[kPollImageWords] = {};
  int lastPosition_ = 0;
  int failedPosition_ = 0;
  int imagePollSet_ = -1;
};

}  // namespace kvl
