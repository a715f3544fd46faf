// kvlsim: simulated KVELT detectors on a serial device or on a new
// pseudo-terminal, driven by text commands on standard input.
//
//   kvlsim --pty --type Z5 --count 8 --first-addr 1
//   kvlsim --port /dev/ttyUSB0 --type KVELT --count 3 --baud 19200
//   kvlsim --pty --chamber profiles/demo-ascii.chamber --valves profiles/demo.valves
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <memory>

#include "chamber/profiles.h"
#include "detector/register_map.h"
#include "sim/sim_bus.h"
#include "sim/sim_chamber.h"
#include "sim/sim_relay_module.h"
#include "sim/sim_commands.h"
#include "text/format.h"

namespace {

const char* kUsage =
    "usage: kvlsim (--pty | --port DEV) [options]\n"
    "  --pty               create a new pseudo-terminal; its path is printed on the first line\n"
    "  --port DEV          serve a serial device (/dev/ttyUSB0, COM3...)\n"
    "  --type T            KVELT, Z, Z40, Z5 or 0..4 (default Z5)\n"
    "  --count N           number of detectors, 1..247 (default 1)\n"
    "  --first-addr A      address of the first detector (default 1)\n"
    "  --baud B            1200, 2400, 4800, 9600 or 19200 (default 9600)\n"
    "  --temp C            chamber temperature at start, degC (default 20)\n"
    "  --firmware X.Y      firmware version of every detector (default: the type's)\n"
    "  --seed S            noise seed (default 1)\n"
    "  --speed X           model seconds per real second (default 1)\n"
    "  --no-stdin          ignore standard input; run until SIGINT or SIGTERM\n"
    "  --echo              send every byte received straight back, as a two-wire RS-485\n"
    "                      adapter hands the master its own transmission (for --pty)\n"
    "  --chamber FILE      a climate chamber speaking as the profile says, on a second new\n"
    "                      pseudo-terminal (its path on the second line); its air drives the\n"
    "                      detectors' temperature\n"
    "  --valves FILE       the gas valves' relay module on the detector line, at the profile's\n"
    "                      address; the open valve's gas reaches every detector\n"
    "Commands on standard input (one per line; 'help' lists them): temp, gas, fault, status,\n"
    "add, remove, read, speed, advance, list, stage, gasstep, chamber on|off|status.\n";

struct Options {
  bool pty = false;
  std::string port;
  int type = kvl::kTypeZ5;
  long count = 1;
  long firstAddr = 1;
  long baud = 9600;
  double temp = 20;
  int firmware = -1;
  unsigned long long seed = 1;
  double speed = 1;
  bool noStdin = false;
  bool echo = false;
  std::string chamberFile;
  std::string valvesFile;
};

bool ParseLong(const char* text, long lo, long hi, long* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno || end == text || *end || v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool ParseNumber(const char* text, double* out) {
  std::size_t used = 0;
  return kvl::ParseDouble(text, out, &used) && used == std::strlen(text);
}

// "7.47" -> 0x072F.
bool ParseFirmware(const std::string& text, int* out) {
  const auto dot = text.find('.');
  long major = 0, minor = 0;
  if (dot == std::string::npos || !ParseLong(text.substr(0, dot).c_str(), 0, 255, &major) ||
      !ParseLong(text.substr(dot + 1).c_str(), 0, 255, &minor))
    return false;
  *out = int(major << 8 | minor);
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kvlsim: %s\n%s", message.c_str(), kUsage);
  return 2;
}

// 0 parsed; 1 help shown; 2 bad arguments (reported).
int ParseArgs(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char** v) {
      if (i + 1 >= argc) return false;
      *v = argv[++i];
      return true;
    };
    const char* v = nullptr;
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 1;
    } else if (a == "--pty") {
      o->pty = true;
    } else if (a == "--no-stdin") {
      o->noStdin = true;
    } else if (a == "--echo") {
      o->echo = true;
    } else if (a == "--chamber") {
      if (!value(&v) || !*v) return Fail("--chamber needs a profile file");
      o->chamberFile = v;
    } else if (a == "--valves") {
      if (!value(&v) || !*v) return Fail("--valves needs a profile file");
      o->valvesFile = v;
    } else if (a == "--port") {
      if (!value(&v) || !*v) return Fail("--port needs a device");
      o->port = v;
    } else if (a == "--type") {
      if (!value(&v) || (o->type = kvl::DetectorTypeFromName(v)) < 0)
        return Fail(std::string("unknown detector type '") + (v ? v : "") + "' (KVELT, Z, Z40, Z5 or 0..4)");
    } else if (a == "--count") {
      if (!value(&v) || !ParseLong(v, 1, 247, &o->count)) return Fail("--count needs a number from 1 to 247");
    } else if (a == "--first-addr") {
      if (!value(&v) || !ParseLong(v, 1, 247, &o->firstAddr)) return Fail("--first-addr needs an address from 1 to 247");
    } else if (a == "--baud") {
      if (!value(&v) || !ParseLong(v, 1, 1000000, &o->baud) || kvl::BaudCodeOf(int(o->baud)) == 0)
        return Fail("--baud must be 1200, 2400, 4800, 9600 or 19200");
    } else if (a == "--temp") {
      if (!value(&v) || !ParseNumber(v, &o->temp) || o->temp < -80 || o->temp > 150)
        return Fail("--temp needs a temperature from -80 to 150");
    } else if (a == "--firmware") {
      if (!value(&v) || !ParseFirmware(v, &o->firmware)) return Fail("--firmware needs a version like 7.47");
    } else if (a == "--seed") {
      long s = 0;
      if (!value(&v) || !ParseLong(v, 0, 2147483647L, &s)) return Fail("--seed needs a whole number");
      o->seed = static_cast<unsigned long long>(s);
    } else if (a == "--speed") {
      if (!value(&v) || !ParseNumber(v, &o->speed) || o->speed < 0 || o->speed > 10000)
        return Fail("--speed needs a number from 0 to 10000");
    } else {
      return Fail("unknown argument '" + a + "'");
    }
  }
  if (o->pty == !o->port.empty()) return Fail("give exactly one of --pty and --port DEV");
  if (o->firstAddr + o->count - 1 > 247) return Fail("the addresses would go beyond 247");
  return 0;
}

void Reply(const std::string& text) {
  if (text.empty()) return;
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// The chamber and the relay module the options ask for.
struct Peripherals {
  kvl::SimPty chamberPty;
  std::unique_ptr<kvl::CSimChamber> chamber;
  std::unique_ptr<kvl::CSimRelayModule> valves;
  ~Peripherals() {
    chamber.reset();
    if (chamberPty.master >= 0) close(chamberPty.master);
    if (chamberPty.slaveKeep >= 0) close(chamberPty.slaveKeep);
  }
};

// 0, or the exit status after telling why.
int StartPeripherals(const Options& o, kvl::CSimBus& bus, Peripherals* p) {
  std::string error;
  if (!o.valvesFile.empty()) {
    kvl::ValveProfile valves;
    if (!kvl::LoadValveProfile(o.valvesFile, kvl::kEnglish, &valves, &error)) return Fail(error);
    // It would answer in a detector's place.
    if (valves.address >= o.firstAddr && valves.address < o.firstAddr + o.count)
      return Fail(kvl::Format("the valve module's address %d is a detector's", valves.address));
    p->valves = std::make_unique<kvl::CSimRelayModule>(valves, bus);
  }
  if (o.chamberFile.empty()) return 0;
  kvl::ChamberProfile chamber;
  if (!kvl::LoadChamberProfile(o.chamberFile, kvl::kEnglish, &chamber, &error)) return Fail(error);
  if (!kvl::OpenSimPty(p->chamberPty, &error)) {
    std::fprintf(stderr, "kvlsim: %s\n", error.c_str());
    return 1;
  }
  fcntl(p->chamberPty.master, F_SETFL, fcntl(p->chamberPty.master, F_GETFL) | O_NONBLOCK);
  p->chamber = std::make_unique<kvl::CSimChamber>(chamber, bus, o.seed);
  p->chamber->Start(kvl::MakeSimFdLine(p->chamberPty.master, 9600));
  return 0;
}

std::string ApplyCommand(kvl::CSimBus& bus, kvl::CSimChamber* chamber, const std::string& line) {
  std::string reply;
  if (kvl::ApplyChamberCommand(chamber, line, &reply)) return reply;
  return kvl::ApplySimCommand(bus, line);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (const int rc = ParseArgs(argc, argv, &o)) return rc == 1 ? 0 : rc;

  // Signals are taken synchronously by the main loop, never by the bus thread.
  sigset_t sigs;
  sigemptyset(&sigs);
  sigaddset(&sigs, SIGINT);
  sigaddset(&sigs, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &sigs, nullptr);
  signal(SIGPIPE, SIG_IGN);
  const int sigFd = signalfd(-1, &sigs, SFD_CLOEXEC);

  kvl::CSimBus bus(o.seed);
  bus.SetChamberTemperature(o.temp);
  bus.SetTimeScale(o.speed);
  bus.SetEcho(o.echo);
  for (long a = o.firstAddr; a < o.firstAddr + o.count; ++a) {
    kvl::SimDetectorSetup s = kvl::DefaultSimSetup(o.type, std::uint8_t(a), o.seed);
    s.temperature = o.temp + 2;
    s.baudCode = kvl::BaudCodeOf(int(o.baud));
    if (o.firmware >= 0) {
      s.firmware = std::uint16_t(o.firmware);
      // A KVELT keeps a 16-bit serial number below firmware 7.47.
      if (o.type == kvl::kTypeKvelt && s.firmware < kvl::reg::kSerial32Firmware) s.serial &= 0xFFFF;
    }
    bus.AddDetector(s);
  }

  int master = -1, slave = -1;
  std::string where;
  std::unique_ptr<kvl::CSimLine> line;
  if (o.pty) {
    kvl::SimPty pty;
    std::string error;
    if (!kvl::OpenSimPty(pty, &error)) {
      std::fprintf(stderr, "kvlsim: %s\n", error.c_str());
      return 1;
    }
    master = pty.master;
    slave = pty.slaveKeep;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    where = pty.path;
    line = kvl::MakeSimFdLine(master, int(o.baud));
  } else {
    std::string error;
    line = kvl::OpenSimPortLine(o.port, int(o.baud), &error);
    if (!line) {
      std::fprintf(stderr, "kvlsim: %s\n", error.c_str());
      return 1;
    }
    where = kvl::SerialDevicePath(o.port);
  }
  Peripherals peripherals;
  if (const int rc = StartPeripherals(o, bus, &peripherals)) return rc;
  bus.Start(std::move(line));
  Reply(where);
  if (peripherals.chamber) Reply(peripherals.chamberPty.path);
  std::fprintf(stderr, "kvlsim: %ld %s detector(s) at %ld..%ld on %s, %ld baud\n", o.count, kvl::DetectorTypeName(o.type),
               o.firstAddr, o.firstAddr + o.count - 1, where.c_str(), o.baud);

  std::string pending;
  bool stdinOpen = !o.noStdin;
  for (;;) {
    pollfd fds[2] = {{sigFd, POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents) break;
    if (fds[1].revents) {
      char buf[4096];
      const ssize_t r = read(0, buf, sizeof buf);
      if (r <= 0) {
        if (r < 0 && errno == EINTR) continue;
        if (!pending.empty()) Reply(ApplyCommand(bus, peripherals.chamber.get(), pending));
        break;  // end of input ends the simulation
      }
      pending.append(buf, std::size_t(r));
      for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
        Reply(ApplyCommand(bus, peripherals.chamber.get(), pending.substr(0, nl)));
        pending.erase(0, nl + 1);
      }
    }
  }
  if (peripherals.chamber) peripherals.chamber->Stop();
  bus.Stop();
  if (master >= 0) close(master);
  if (slave >= 0) close(slave);
  return 0;
}
