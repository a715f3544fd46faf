// Fault soak: the link's own poll worker against the simulated bus on a pty
// for a chosen time, under a seeded random schedule of the simulator's faults
// (per detector or bus-wide, switching every few seconds), with commands
// (single writes) and block writes queued meanwhile through the worker's
// queues, as the window queues them.
//
// Every request the worker sends is paired with the simulator's record of
// that same request, which carries the fault that shaped its answer. So each
// transaction is judged by the fault active when its request was answered;
// no guard window around a switch is needed. The judge replays the worker's
// rules (how often a read or write is sent again, when a poll breaks, what a
// batch shows) and compares them with what the worker did, frame by frame.
// At the end it compares the link statistics, the simulator's write count
// and register state, the resident memory and the time the worker took to
// stop. Prints a table; exit status 1 when any check failed.
//
//   soak_faults [--seconds N=60] [--seed S=1] [--detectors D=4]
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "link/link_stats.h"
#include "link/modbus_slave.h"
#include "sim/sim_bus.h"

namespace kvl {
namespace {

constexpr int kBaud = 9600;
// Registers the soak writes: two plain settings by single writes, a block of
// coefficient words by multiple writes.
constexpr std::uint16_t kSingleRegs[] = {96, 97};
constexpr std::uint16_t kBlockFirst = 86;
constexpr int kBlockWords = 4;
// The longest slow answer stays well inside the read time-out (pause 0:
// 200 ms), so a loaded machine does not turn it into no answer.
constexpr int kSlowMinMs = 20, kSlowMaxMs = 100;
constexpr int kDrainSeconds = 4;
constexpr long kRssLimitKb = 1024;
constexpr int kStopLimitMs = 300;

constexpr int kFaultKinds = 7;
const char* const kFaultNames[kFaultKinds] = {"none", "silent", "slow", "crc", "short", "wrongaddr", "exception"};
int FaultIndex(SimFaultKind k) { return static_cast<int>(k); }

// The read result code an answer shaped by this fault must give.
int ExpectedReadResult(SimFaultKind k) {
  switch (k) {
    case SimFaultKind::None:
    case SimFaultKind::NoStore:
    case SimFaultKind::Slow: return 0;
    case SimFaultKind::Silent: return 1;
    case SimFaultKind::Short: return 2;
    case SimFaultKind::Crc: return 3;
    case SimFaultKind::WrongAddress: return 4;
    case SimFaultKind::Exception: return 2;  // 5 bytes where more were due
  }
  return -1;
}

// How a write send must end under a fault.
enum class WriteStep { Accepted, Ends, SendAgain };
WriteStep SingleWriteStep(SimFaultKind k) {
  switch (k) {
    case SimFaultKind::None:
    case SimFaultKind::Slow: return WriteStep::Accepted;
    case SimFaultKind::Exception: return WriteStep::Ends;
    default: return WriteStep::SendAgain;  // no answer, or 8 bytes that are not the echo
  }
}
WriteStep BlockWriteStep(SimFaultKind k) {
  switch (k) {
    case SimFaultKind::None:
    case SimFaultKind::Slow: return WriteStep::Accepted;
    case SimFaultKind::Crc:
    case SimFaultKind::WrongAddress:
    case SimFaultKind::Exception: return WriteStep::Ends;  // 8 wrong bytes, or an exception
    default: return WriteStep::SendAgain;                  // nothing, or a cut answer
  }
}

long RssKb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double Seconds(std::int64_t ns) { return static_cast<double>(ns) / 1e9; }

struct QueuedWrite {
  bool block = false;
  std::uint8_t slave = 0;
  std::uint16_t first = 0;
  std::vector<std::uint16_t> words;
  bool lastOfBatch = false;
  Bytes Frame() const {
    return block ? BuildWriteMultiple(slave, first, words) : BuildWriteSingle(slave, 6, first, words[0]);
  }
};

struct FaultTally {
  std::uint64_t periods = 0;
  double detectorSeconds = 0;
  std::uint64_t requests = 0;
  std::uint64_t resultsRight = 0, resultsWrong = 0;
  std::uint64_t breaks = 0, clears = 0, overtaken = 0;
  std::uint64_t writeSends = 0, writesApplied = 0;
  double maxAnswerMs = 0;  // the latest whole answer
};

// Judges the worker's traffic and messages against the simulator's record.
// The worker thread and the simulator's thread append; the main thread judges.
class CSoakJudge : public CLinkObserver, public CMessageTarget, public COperator {
 public:
  // ---- Inputs (any thread) ----
  void OnFrame(const LinkFrame& frame) override {
    Event e;
    e.type = frame.direction == FrameDirection::Sent ? Event::Sent : Event::Received;
    e.bytes = frame.bytes;
    e.result = frame.result;
    e.ns = frame.monotonicNs;
    Push(std::move(e));
  }
  void Post(unsigned message, std::intptr_t w, std::intptr_t l) override {
    Event e;
    e.type = Event::Message;
    e.message = message;
    e.result = static_cast<int>(w);
    e.ns = MonotonicNs();
    (void)l;
    Push(std::move(e));
    if (message == WM_USER_DATA || message == WM_USER_PORT_FAIL) {
      std::lock_guard lock(mainMutex_);
      mainMessages_.push_back(message);
      mainCv_.notify_one();
    }
  }
  void ShowMessage(const std::string& text, MessageIcon, const std::atomic<bool>*) override {
    Event e;
    e.type = Event::Show;
    e.bytes.assign(text.begin(), text.end());
    e.ns = MonotonicNs();
    Push(std::move(e));
  }
  void OnExchange(const SimExchange& x) {
    std::lock_guard lock(mutex_);
    exchanges_.push_back(x);
  }
  // Main thread: the next message for it, or 0 after the time-out.
  unsigned NextMainMessage(int timeoutMs) {
    std::unique_lock lock(mainMutex_);
    mainCv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !mainMessages_.empty(); });
    if (mainMessages_.empty()) return 0;
    const unsigned m = mainMessages_.front();
    mainMessages_.pop_front();
    return m;
  }

  // ---- Writes the soak queues (main thread, before queueing them) ----
  void Expect(const QueuedWrite& w) {
    std::lock_guard lock(mutex_);
    (w.block ? blockFifo_ : singleFifo_).push_back(w);
    ++queued_;
  }
  bool WritesOutstanding() {
    std::lock_guard lock(mutex_);
    return !singleFifo_.empty() || !blockFifo_.empty() || write_.open;
  }

  // ---- Judging (main thread) ----
  void Judge() {
    std::lock_guard lock(mutex_);
    while (!events_.empty()) {
      Event& e = events_.front();
      if (e.type == Event::Sent && exchanges_.empty()) return;  // the simulator has not told yet
      lastEventNs_ = e.ns;
      Take(e);
      events_.pop_front();
    }
  }
  std::int64_t LastEventNs() {
    std::lock_guard lock(mutex_);
    return events_.empty() ? lastEventNs_ : MonotonicNs();
  }

  void Fail(const std::string& what) {
    ++failures_;
    if (failures_ <= 20) std::fprintf(stderr, "soak: %s\n", what.c_str());
  }

  // ---- Final figures ----
  FaultTally tally[kFaultKinds];
  std::map<int, DetectorLinkStats> expectedStats;
  std::map<std::pair<int, int>, std::uint16_t> lastApplied;  // (address, register) -> value
  std::uint64_t polls = 0, appliedWrites = 0, queued_ = 0;
  std::uint64_t singlesDone = 0, singlesFailed = 0, blocksDone = 0, blocksFailed = 0;
  std::uint64_t shows = 0, expectedShows = 0;
  double slowMinMarginMs = 1e9;  // over slow answers: latency minus the fault delay
  std::uint64_t slowEarly = 0;    // slow answers time-stamped before their delay
  std::uint64_t failures_ = 0;

  std::size_t Unjudged() {
    std::lock_guard lock(mutex_);
    return events_.size() + exchanges_.size();
  }
  std::size_t FifoLeft() {
    std::lock_guard lock(mutex_);
    return singleFifo_.size() + blockFifo_.size();
  }

 private:
  struct Event {
    enum Type { Sent, Received, Message, Show } type = Sent;
    Bytes bytes;
    int result = 0;
    unsigned message = 0;
    std::int64_t ns = 0;
  };
  enum class Next { Any, SendAgain, Break };
  enum class Kind { PollRead, CheckRead, Single, Block };

  void Push(Event e) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(e));
  }

  static std::string Hex(const Bytes& b) { return DumpBytes(b); }

  void Take(const Event& e) {
    switch (e.type) {
      case Event::Sent: TakeSent(e); break;
      case Event::Received: TakeReceived(e); break;
      case Event::Message: TakeMessage(e); break;
      case Event::Show: ++shows; break;
    }
  }

  void TakeSent(const Event& e) {
    const SimExchange x = std::move(exchanges_.front());
    exchanges_.pop_front();
    if (x.request != e.bytes) Fail("the simulator got" + Hex(x.request) + "where the worker sent" + Hex(e.bytes));
    if (inFlight_) Fail("a request went out before the answer to the last was read:" + Hex(e.bytes));
    inFlight_ = true;
    sent_ = e.bytes;
    sentNs_ = e.ns;
    fault_ = x.answer.fault;
    const int fi = FaultIndex(fault_.kind);
    ++tally[fi].requests;
    const int address = e.bytes[0];
    ++expectedStats[address].requests;
    if (x.answer.wrote) {
      ++appliedWrites;
      ++tally[fi].writesApplied;
      const std::uint16_t first = static_cast<std::uint16_t>((e.bytes[2] << 8) | e.bytes[3]);
      if (e.bytes[1] == 6) {
        lastApplied[{address, first}] = static_cast<std::uint16_t>((e.bytes[4] << 8) | e.bytes[5]);
      } else {
        for (int k = 0; k < e.bytes[6] / 2; ++k)
          lastApplied[{address, first + k}] = static_cast<std::uint16_t>((e.bytes[7 + 2 * k] << 8) | e.bytes[8 + 2 * k]);
      }
    }

    const std::uint8_t fn = e.bytes[1];
    const bool isWrite = fn == 6 || fn == 16;
    if (isWrite) ++tally[fi].writeSends;

    // An open write transaction decides what may come next.
    if (write_.open) {
      if (write_.awaitCheck) {
        const Bytes check = BuildReadRequest(write_.w.slave, 3, write_.w.first,
                                             static_cast<std::uint16_t>(write_.w.words.size()));
        if (e.bytes != check) Fail("no check read after an accepted block write:" + Hex(e.bytes));
        kind_ = Kind::CheckRead;
        return;
      }
      if (e.bytes != write_.frame) {
        Fail("a write was not sent again as its answer demands:" + Hex(write_.frame));
        write_.open = false;
      } else {
        ++write_.sends;
        kind_ = write_.w.block ? Kind::Block : Kind::Single;
        return;
      }
    }

    if (isWrite) {
      // A command may overtake a poll between its requests.
      if (next_ == Next::Break) ++tally[breakFault_].breaks;
      if (next_ != Next::Any) ++tally[breakFault_].overtaken;
      next_ = Next::Any;
      std::deque<QueuedWrite>& fifo = fn == 16 ? blockFifo_ : singleFifo_;
      if (fifo.empty()) {
        Fail(e.bytes == lastWriteFrame_ ? "a finished write was sent again:" + Hex(e.bytes)
                                        : "a write nobody queued:" + Hex(e.bytes));
        return;
      }
      const QueuedWrite w = fifo.front();
      const Bytes frame = w.Frame();
      if (frame != e.bytes) {
        bool later = false;
        for (const QueuedWrite& q : fifo) later = later || q.Frame() == e.bytes;
        Fail(later ? "a queued write was skipped:" + Hex(frame)
                   : e.bytes == lastWriteFrame_ ? "a finished write was sent again:" + Hex(e.bytes)
                                                : "a write nobody queued:" + Hex(e.bytes));
        if (!later) return;
        while (fifo.front().Frame() != e.bytes) fifo.pop_front();
      }
      write_ = {};
      write_.open = true;
      write_.w = fifo.front();
      write_.frame = e.bytes;
      write_.sends = 1;
      fifo.pop_front();
      kind_ = write_.w.block ? Kind::Block : Kind::Single;
      return;
    }

    // A poll read.
    kind_ = Kind::PollRead;
    if (next_ == Next::SendAgain) {
      if (e.bytes != pollFrame_) Fail("a failed read was not sent again:" + Hex(pollFrame_));
      next_ = Next::Any;
      return;
    }
    if (next_ == Next::Break) {
      Fail(e.bytes == pollFrame_ ? "a read was sent more often than allowed:" + Hex(e.bytes)
                                 : "a poll went on after its read failed for good:" + Hex(pollFrame_));
      next_ = Next::Any;
    }
    pollFrame_ = e.bytes;
    m_ = 1;
    n_ = 1;
  }

  void TakeReceived(const Event& e) {
    if (!inFlight_) {
      Fail("an answer without a request");
      return;
    }
    inFlight_ = false;
    const int fi = FaultIndex(fault_.kind);
    const int address = sent_[0];
    DetectorLinkStats& s = expectedStats[address];
    switch (fault_.kind) {
      case SimFaultKind::None:
      case SimFaultKind::NoStore:
      case SimFaultKind::Slow: {
        ++s.answers;
        const double ms = static_cast<double>(e.ns - sentNs_) / 1e6;
        tally[fi].maxAnswerMs = std::max(tally[fi].maxAnswerMs, ms);
        if (fault_.kind == SimFaultKind::Slow) {
          slowMinMarginMs = std::min(slowMinMarginMs, ms - fault_.param);
          // Not a failure: the request's time stamp is taken after write()
          // returns, so a worker thread held there by a loaded machine makes
          // the answer look early. Counted and shown.
          if (ms < fault_.param) ++slowEarly;
        }
        break;
      }
      case SimFaultKind::Silent: ++s.noAnswer; break;
      case SimFaultKind::Short: ++s.shortFrames; break;
      case SimFaultKind::Crc: ++s.crcErrors; break;
      case SimFaultKind::WrongAddress: ++s.wrongAddress; break;
      case SimFaultKind::Exception: ++s.exceptions; break;
    }

    if (kind_ == Kind::PollRead || kind_ == Kind::CheckRead) {
      const int want = ExpectedReadResult(fault_.kind);
      if (e.result == want) {
        ++tally[fi].resultsRight;
      } else {
        ++tally[fi].resultsWrong;
        Fail(std::string("read under fault ") + kFaultNames[fi] + " gave result " + std::to_string(e.result) +
             ", must give " + std::to_string(want));
      }
      if (kind_ == Kind::CheckRead) {
        EndWrite(e.result == 0);
        return;
      }
      expectResult_ = e.result;
      if (e.result == 0) return;
      breakFault_ = fi;
      // The worker's retry rule: two failures in a row end the attempts, a
      // short answer restarts that count, at most three sends.
      if (e.result == 2) m_ = 0;
      if (m_ < 2 && n_ < 3) {
        ++m_;
        ++n_;
        next_ = Next::SendAgain;
      } else {
        next_ = Next::Break;
      }
      return;
    }

    // A write send.
    const WriteStep step = write_.w.block ? BlockWriteStep(fault_.kind) : SingleWriteStep(fault_.kind);
    const int want = step == WriteStep::Accepted ? 0 : 1;
    if (e.result == want) {
      ++tally[fi].resultsRight;
    } else {
      ++tally[fi].resultsWrong;
      Fail(std::string("write under fault ") + kFaultNames[fi] + " gave result " + std::to_string(e.result));
    }
    const int maxSends = write_.w.block ? 4 : 3;
    if (step == WriteStep::Accepted) {
      if (write_.w.block)
        write_.awaitCheck = true;
      else
        EndWrite(true);
    } else if (step == WriteStep::Ends || write_.sends >= maxSends) {
      // A block write that never heard anything tells the operator at once.
      if (write_.w.block && step == WriteStep::SendAgain && fault_.kind == SimFaultKind::Silent) ++expectedShows;
      EndWrite(false);
    }
  }

  void EndWrite(bool ok) {
    lastWriteFrame_ = write_.frame;
    if (write_.w.block) {
      ++(ok ? blocksDone : blocksFailed);
      batchFailed_ = batchFailed_ || !ok;
      if (write_.w.lastOfBatch) {
        if (batchFailed_) ++expectedShows;
        batchFailed_ = false;
      }
    } else {
      ++(ok ? singlesDone : singlesFailed);
    }
    write_.open = false;
  }

  void TakeMessage(const Event& e) {
    switch (e.message) {
      case WM_USER_RESULT:
        if (e.result != expectResult_) Fail("WM_USER_RESULT carries another result than the read gave");
        break;
      case WM_USER_CLEAR:
        if (next_ != Next::Break) {
          Fail("a poll break without a failed read");
          break;
        }
        ++tally[breakFault_].breaks;
        ++tally[breakFault_].clears;
        next_ = Next::Any;
        break;
      case WM_USER_DATA:
        if (next_ != Next::Any) Fail("poll data handed over after a failed read");
        ++polls;
        break;
      default: break;
    }
  }

  struct OpenWrite {
    bool open = false;
    bool awaitCheck = false;
    QueuedWrite w;
    Bytes frame;
    int sends = 0;
  };

  std::mutex mutex_;
  std::deque<Event> events_;
  std::deque<SimExchange> exchanges_;
  std::deque<QueuedWrite> singleFifo_, blockFifo_;
  std::int64_t lastEventNs_ = 0;
  // The transaction in flight.
  bool inFlight_ = false;
  Bytes sent_;
  std::int64_t sentNs_ = 0;
  SimFault fault_;
  Kind kind_ = Kind::PollRead;
  // The poll read being retried.
  Bytes pollFrame_;
  int m_ = 1, n_ = 1;
  Next next_ = Next::Any;
  int breakFault_ = 0;
  int expectResult_ = -1;
  OpenWrite write_;
  Bytes lastWriteFrame_;
  bool batchFailed_ = false;

  std::mutex mainMutex_;
  std::condition_variable mainCv_;
  std::deque<unsigned> mainMessages_;
};

struct Options {
  double seconds = 60;
  unsigned seed = 1;
  int detectors = 4;
};

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return false;
    if (a == "--seconds")
      o.seconds = std::atof(argv[++i]);
    else if (a == "--seed")
      o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    else if (a == "--detectors")
      o.detectors = std::atoi(argv[++i]);
    else
      return false;
  }
  return o.seconds >= 10 && o.detectors >= 1 && o.detectors <= 20;
}

SimFault RandomFault(std::mt19937& rng) {
  const int k = std::uniform_int_distribution<int>(1, kFaultKinds - 1)(rng);
  SimFault f{static_cast<SimFaultKind>(k), 0};
  if (f.kind == SimFaultKind::Slow) f.param = std::uniform_int_distribution<int>(kSlowMinMs, kSlowMaxMs)(rng);
  if (f.kind == SimFaultKind::Exception) f.param = std::uniform_int_distribution<int>(1, 4)(rng);
  return f;
}

}  // namespace
}  // namespace kvl

int main(int argc, char** argv) {
  using namespace kvl;
  Options opt;
  if (!ParseOptions(argc, argv, opt)) {
    std::fprintf(stderr, "usage: soak_faults [--seconds N (>= 10)] [--seed S] [--detectors 1..20]\n");
    return 2;
  }
  std::mt19937 rng(opt.seed);

  kvl::SimPty pty;
  std::string ptyError;
  if (!kvl::OpenSimPty(pty, &ptyError)) {
    std::fprintf(stderr, "%s\n", ptyError.c_str());
    return 1;
  }
  const int master = pty.master, slave = pty.slaveKeep;
  const char* name = pty.path.c_str();

  CSoakJudge judge;
  CSimBus bus(opt.seed);
  bus.AddDetectors(kTypeKvelt, opt.detectors, 1);
  bus.SetExchangeWatcher([&judge](const SimExchange& x) { judge.OnExchange(x); });
  if (!bus.Start(MakeSimFdLine(master, kBaud))) {
    std::fprintf(stderr, "soak: the simulator did not start\n");
    return 1;
  }

  CLinkStats stats(&judge);
  CModbusSlave link;
  link.SetOperator(&judge);
  link.SetObserver(&stats);
  const PollRequestLists table = PollRequestTable();
  link.SetPollRequests(table.firsts, table.counts, table.offsets);
  link.SelectPollSet(PollSetRequests(kPollSetKvelt), kPollSetKvelt);
  std::vector<std::uint8_t> devices;
  for (int a = 1; a <= opt.detectors; ++a) devices.push_back(static_cast<std::uint8_t>(a));
  link.StartWorker(&judge, 0, name, std::to_string(kBaud), devices, "3", "0", "3", true);

  const std::int64_t start = MonotonicNs();
  const std::int64_t end = start + static_cast<std::int64_t>(opt.seconds * 1e9);
  const std::int64_t drain = end - std::int64_t(kDrainSeconds) * 1000000000LL;
  const std::int64_t warmedUp = start + static_cast<std::int64_t>(std::min(10.0, opt.seconds / 6) * 1e9);
  long rssStart = 0;
  std::int64_t nextSwitch = start, nextWrite = start + 1000000000LL, periodStart = start;
  std::vector<SimFault> current(static_cast<std::size_t>(opt.detectors));
  std::uint16_t seq = 0;
  std::uint64_t switches = 0, commands = 0, batches = 0;
  bool suspended = false;
  auto nextValue = [&seq] { return ++seq == 0 ? ++seq : seq; };
  auto closePeriod = [&](std::int64_t now) {
    for (const SimFault& f : current) judge.tally[FaultIndex(f.kind)].detectorSeconds += Seconds(now - periodStart);
    periodStart = now;
  };

  for (;;) {
    const unsigned m = judge.NextMainMessage(50);
    if (m == WM_USER_PORT_FAIL) {
      std::fprintf(stderr, "soak: cannot open %s\n", name);
      return 1;
    }
    if (m == WM_USER_DATA && !suspended) link.Resume();
    judge.Judge();
    const std::int64_t now = MonotonicNs();
    if (rssStart == 0 && now >= warmedUp) rssStart = RssKb();
    if (now >= drain) break;

    if (now >= nextSwitch) {
      closePeriod(now);
      ++switches;
      if (std::uniform_int_distribution<int>(0, 2)(rng) == 0) {
        // Bus-wide: every detector the same fault, sometimes none.
        const SimFault f = std::uniform_int_distribution<int>(0, 5)(rng) == 0 ? SimFault{} : RandomFault(rng);
        bus.SetFault(0, f);
        for (SimFault& c : current) c = f;
      } else {
        for (int a = 1; a <= opt.detectors; ++a) {
          const SimFault f = std::uniform_int_distribution<int>(0, 1)(rng) ? SimFault{} : RandomFault(rng);
          bus.SetFault(a, f);
          current[static_cast<std::size_t>(a - 1)] = f;
        }
      }
      for (const SimFault& c : current) ++judge.tally[FaultIndex(c.kind)].periods;
      nextSwitch = now + std::uniform_int_distribution<std::int64_t>(2000, 5000)(rng) * 1000000LL;
    }

    // A new command or block batch once the last ones have run, so that a
    // batch's report is its own.
    if (now >= nextWrite && !judge.WritesOutstanding()) {
      nextWrite = now + std::uniform_int_distribution<std::int64_t>(200, 1500)(rng) * 1000000LL;
      if (std::uniform_int_distribution<int>(0, 4)(rng) < 3) {
        // A command: single writes to one or more detectors, as a row command queues them.
        const int n = std::uniform_int_distribution<int>(1, 3)(rng);
        std::vector<std::uint8_t> slaves;
        std::vector<std::uint16_t> regs, values;
        for (int i = 0; i < n; ++i) {
          QueuedWrite w;
          w.slave = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(1, opt.detectors)(rng));
          w.first = kSingleRegs[std::uniform_int_distribution<int>(0, 1)(rng)];
          w.words = {nextValue()};
          judge.Expect(w);
          slaves.push_back(w.slave);
          regs.push_back(w.first);
          values.push_back(w.words[0]);
        }
        link.QueueWritesTo(slaves, regs, values, 6, 0);
        ++commands;
      } else {
        const int n = std::uniform_int_distribution<int>(1, 2)(rng);
        link.BeginBatch(n);
        for (int i = 0; i < n; ++i) {
          QueuedWrite w;
          w.block = true;
          w.slave = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(1, opt.detectors)(rng));
          w.first = static_cast<std::uint16_t>(kBlockFirst + kBlockWords * i);
          for (int k = 0; k < kBlockWords; ++k) w.words.push_back(nextValue());
          w.lastOfBatch = i == n - 1;
          judge.Expect(w);
          link.QueueBlockWrite(w.slave, w.first, w.words, false);
        }
        ++batches;
      }
    }
  }

  // Drain: faults off, no new writes; every queued write must run.
  closePeriod(MonotonicNs());
  bus.SetFault(0, SimFault{});
  for (SimFault& c : current) c = SimFault{};
  const std::int64_t drainLimit = MonotonicNs() + 15000000000LL;
  while (judge.WritesOutstanding() && MonotonicNs() < drainLimit) {
    if (judge.NextMainMessage(50) == WM_USER_DATA) link.Resume();
    judge.Judge();
  }
  const long rssEnd = RssKb();
  // Quiet: polling suspended, the last transaction judged.
  suspended = true;
  link.Suspend();
  const std::int64_t quietLimit = MonotonicNs() + 10000000000LL;
  for (;;) {
    judge.NextMainMessage(50);
    judge.Judge();
    if (MonotonicNs() - judge.LastEventNs() > 700000000LL) break;
    if (MonotonicNs() > quietLimit) {
      judge.Fail("the worker kept sending with polling suspended and every queued write done");
      break;
    }
  }
  closePeriod(MonotonicNs());
  const double ranSeconds = Seconds(MonotonicNs() - start);
  const std::map<int, DetectorLinkStats> seen = stats.Snapshot();

  // Stop timing: the worker busy in reads nobody answers.
  bus.SetFault(0, SimFault{SimFaultKind::Silent, 0});
  suspended = false;
  link.Resume();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const std::int64_t stop0 = MonotonicNs();
  const int stopRc = link.StopWorker();
  const double stopMs = static_cast<double>(MonotonicNs() - stop0) / 1e6;
  bus.Stop();
  close(slave);
  close(master);

  // ---- Checks ----
  CSoakJudge& j = judge;
  if (j.FifoLeft() != 0) j.Fail(std::to_string(j.FifoLeft()) + " queued writes never went out");
  // The stop phase is not judged: the statistics were taken before it.
  for (const auto& [address, s] : seen) {
    const DetectorLinkStats& e = j.expectedStats[address];
    const bool same = s.requests == e.requests && s.answers == e.answers && s.noAnswer == e.noAnswer &&
                      s.shortFrames == e.shortFrames && s.crcErrors == e.crcErrors && s.exceptions == e.exceptions &&
                      s.wrongAddress == e.wrongAddress && s.otherErrors == e.otherErrors;
    if (!same)
      j.Fail("link statistics of " + std::to_string(address) + " differ:\n  seen " + LinkStatsLine(address, s) +
             "\n  must " + LinkStatsLine(address, e));
  }
  if (bus.WritesCarriedOut() != j.appliedWrites)
    j.Fail("the simulator carried out " + std::to_string(bus.WritesCarriedOut()) + " writes, the judge counted " +
           std::to_string(j.appliedWrites));
  int registersWrong = 0;
  for (const auto& [key, value] : j.lastApplied) {
    const auto regs = bus.Registers(key.first);
    if (!regs || (*regs)[static_cast<std::size_t>(key.second)] != value) ++registersWrong;
  }
  if (registersWrong) j.Fail(std::to_string(registersWrong) + " registers do not hold the last value written to them");
  if (j.shows != j.expectedShows)
    j.Fail("the operator was shown " + std::to_string(j.shows) + " reports, " + std::to_string(j.expectedShows) +
           " were due");
  if (rssStart == 0 || rssEnd - rssStart > kRssLimitKb)
    j.Fail("resident memory grew from " + std::to_string(rssStart) + " to " + std::to_string(rssEnd) + " KiB");
  if (stopRc != 0 || stopMs > kStopLimitMs)
    j.Fail("the worker took " + std::to_string(static_cast<int>(stopMs)) + " ms to stop");

  // ---- Table ----
  std::printf("fault soak: %.0f s, seed %u, %d detectors at %d baud, %llu fault switches\n", ranSeconds, opt.seed,
              opt.detectors, kBaud, static_cast<unsigned long long>(switches));
  std::printf("%-10s %7s %8s %8s %8s %6s %7s %7s %8s %8s %8s %7s\n", "fault", "periods", "det-s", "requests", "right",
              "wrong", "breaks", "clears", "overtook", "wr-sends", "applied", "max-ms");
  FaultTally total;
  for (int k = 0; k < kFaultKinds; ++k) {
    const FaultTally& t = j.tally[k];
    std::printf("%-10s %7llu %8.0f %8llu %8llu %6llu %7llu %7llu %8llu %8llu %8llu %7.1f\n", kFaultNames[k],
                (unsigned long long)t.periods, t.detectorSeconds, (unsigned long long)t.requests,
                (unsigned long long)t.resultsRight, (unsigned long long)t.resultsWrong, (unsigned long long)t.breaks,
                (unsigned long long)t.clears, (unsigned long long)t.overtaken, (unsigned long long)t.writeSends,
                (unsigned long long)t.writesApplied, t.maxAnswerMs);
    total.requests += t.requests;
    total.resultsWrong += t.resultsWrong;
    total.breaks += t.breaks;
  }
  std::printf("polls handed over %llu; commands %llu, block batches %llu; writes queued %llu: single %llu ok %llu "
              "failed, block %llu ok %llu failed\n",
              (unsigned long long)j.polls, (unsigned long long)commands, (unsigned long long)batches,
              (unsigned long long)j.queued_, (unsigned long long)j.singlesDone, (unsigned long long)j.singlesFailed,
              (unsigned long long)j.blocksDone, (unsigned long long)j.blocksFailed);
  std::printf("simulator writes carried out %u (judge %llu), registers checked %zu (%d wrong); operator reports %llu "
              "(due %llu)\n",
              bus.WritesCarriedOut(), (unsigned long long)j.appliedWrites, j.lastApplied.size(), registersWrong,
              (unsigned long long)j.shows, (unsigned long long)j.expectedShows);
  if (j.slowMinMarginMs < 1e9)
    std::printf("slow answers: latency minus the delay at least %.1f ms; %llu time-stamped early (not judged)\n",
                j.slowMinMarginMs, (unsigned long long)j.slowEarly);
  std::printf("resident memory %ld KiB after warm-up, %ld KiB at the end (limit +%ld)\n", rssStart, rssEnd, kRssLimitKb);
  std::printf("worker stop %.1f ms (rc %d, limit %d ms)\n", stopMs, stopRc, kStopLimitMs);
  for (const auto& [address, s] : seen) std::printf("  %s\n", LinkStatsLine(address, s).c_str());
  if (j.failures_) {
    std::printf("FAILED: %llu checks failed (the first are above on stderr)\n", (unsigned long long)j.failures_);
    return 1;
  }
  std::printf("all checks passed\n");
  return 0;
}
