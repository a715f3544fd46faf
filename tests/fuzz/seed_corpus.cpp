// Writes the seed corpus of every fuzz harness (tests/fuzz/corpus/<harness>/)
// from the program's own frames and files: the simulated detectors' answers to
// the link's requests, the configuration, settings, log and table files the
// workstation writes, and simulated run data. Run from the fuzz build:
//   build-fuzz/tests/fuzz/kvl_fuzz_seeds tests/fuzz/corpus
// The inputs carry each harness's leading parameter bytes (see fuzz_*.cpp).
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "graduation/grad_log.h"
#include "link/modbus_frames.h"
#include "settings_files/settings_save.h"
#include "sim/sim_bus.h"
#include "sim/sim_run_data.h"
#include "text/format.h"

namespace kvl {
namespace {

std::string g_root;

void Write(const std::string& harness, const std::string& name, const std::string& bytes) {
  const std::string dir = g_root + "/" + harness;
  ::mkdir(dir.c_str(), 0755);
  const std::string path = dir + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }
std::string Str(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(char(b));
  return s;
}

const std::tm kNow = [] {
  std::tm t{};
  t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 7, t.tm_hour = 10, t.tm_min = 20, t.tm_sec = 30;
  return t;
}();

// A request of each kind, the simulated detector's answer, and the same answer
// with each of the simulator's line faults.
void LinkSeeds() {
  CSimBus bus;
  bus.SetTimeScale(0);
  bus.AddDetectors(kTypeZ5, 1, 1);
  bus.AddDetectors(kTypeKvelt, 1, 2);
  struct Request {
    const char* name;
    int kind;  // the master harness's kind
    Bytes frame;
    std::uint16_t first, count;
  };
  const std::vector<Request> requests = {
      {"read3", 0, BuildReadRequest(1, 3, 0, 10), 0, 10},
      {"read4", 0, BuildReadRequest(2, 4, 0, 40), 0, 40},
      {"readfar", 0, BuildReadRequest(1, 3, 155, 10), 155, 10},
      {"write6", 1, BuildWriteSingle(1, 6, 40, 264), 40, 264},
      {"write16", 2, BuildWriteMultiple(1, 24, {1, 2, 3, 4}), 24, 4},
  };
  const std::vector<std::pair<const char*, SimFault>> faults = {
      {"", {}}, {"-crc", {SimFaultKind::Crc, 0}}, {"-short", {SimFaultKind::Short, 0}},
      {"-wrongaddr", {SimFaultKind::WrongAddress, 0}}, {"-exception", {SimFaultKind::Exception, 2}}};
  std::string stream = Str({kTypeZ5});
  for (const Request& r : requests) {
    const std::uint8_t slave = r.frame[0];
    Write("fuzz_slave_request", r.name, Str({0}) + Str(r.frame));
    Write("fuzz_decode_frame", std::string(r.name) + "-request", Str(r.frame));
    stream += Str({int(0x80 | r.frame.size())}) + Str(r.frame);
    for (const auto& [suffix, fault] : faults) {
      bus.SetFault(slave, fault);
      const Bytes answer = bus.HandleRequest(r.frame).bytes;
      const int control = r.frame[1] == 4 ? 1 : 0;
      Write("fuzz_master_answer", std::string(r.name) + suffix,
            Str({r.kind, slave, control, r.first >> 8, r.first & 0xFF, r.count & 0xFF}) + Str(answer));
      if (!*suffix || fault.kind == SimFaultKind::Exception) Write("fuzz_decode_frame", std::string(r.name) + suffix, Str(answer));
    }
    bus.SetFault(slave, {});
  }
  // The master's requests as the simulator hears them: whole, torn across two
  // reads, and noise before a silence.
  Write("fuzz_sim_frames", "requests", stream);
  const Bytes read = BuildReadRequest(1, 3, 0, 10);
  Write("fuzz_sim_frames", "torn", Str({kTypeKvelt, 3}) + Str(Bytes(read.begin(), read.begin() + 3)) + Str({0x85}) +
                                        Str(Bytes(read.begin() + 3, read.end())));
  Write("fuzz_sim_frames", "noise", Str({kTypeZ, 0x83, 0x55, 0x12, 0x00, 0x88}) + Str(read));
  const Bytes block = BuildWriteMultiple(2, 40, {0x0205, 7});
  Write("fuzz_slave_request", "write16-torn", Str({0x80}) + Str(Bytes(block.begin(), block.end() - 3)));
}

void FileSeeds() {
  const ConfigurationContext ctx{"/tmp/", {}};
  Configuration c = DefaultConfiguration(ctx);
  Write("fuzz_config", "default.cfg", EncodeConfigurationText(ComposeConfigurationText(c)));
  c.language = kRussian;
  c.detectorType = kTypeZ5;
  c.lines[0].port = "/dev/ttyUSB0";
  c.lines[0].baud = "19200";
  c.addresses = {1, 2, 17, 247};
  c.emitterPower = 2.25;
  Write("fuzz_config", "changed.cfg", EncodeConfigurationText(ComposeConfigurationText(c)));

  CSimBus bus;
  bus.SetTimeScale(0);
  bus.AddDetectors(kTypeKvelt, 1, 1);
  bus.AddDetectors(kTypeZ5, 1, 2);
  const RegisterImage kvelt = *bus.Registers(1), z5 = *bus.Registers(2);
  Write("fuzz_settings_file", "kvelt.set", Str({kTypeKvelt}) + SettingsFileText(kTypeKvelt, kvelt, 1, kNow));
  Write("fuzz_settings_file", "z5.set", Str({kTypeZ5 | 0x10}) + SettingsFileText(kTypeZ5, z5, 2, kNow));
  std::string log = GradLogRunHeader(kTypeZ5, 2, z5, kNow);
  for (int p = 0; p < 8; ++p)
    log += GradLogPointLine(p, GradPointFromTable(z5, p), -40 + 15 * p, false, p == 7);
  Write("fuzz_settings_file", "z5.tab", Str({kTypeZ5 | 0x20}) + log);

  // A table file: its keys one per line, points from the top.
  std::string table = "Serial_number=2400001\r\nModbus_number=17\r\n";
  for (int n = 7; n >= 0; --n)
    table += Format("T[%d]= %d\r\nD[%2d]= %d\r\nK3[%2d]= 0.25\r\nK2[%2d]= -%d.5\r\nK1[%2d]= 1.5e-3\r\n", n, 100 * n - 400,
                    n, -20 * n, n, n, n, n);
  Write("fuzz_table_file", "table.txt", Str({kEnglish}) + table);

  // Run data: a short simulated run of each kind of file, and two files in one input.
  std::string both;
  for (int type : {kTypeZ, kTypeZ5}) {
    SimRunSetup setup;
    setup.type = type;
    setup.lines = 24;
    setup.seed = 3;
    SimRunHeader h;
    h.type = type;
    h.serial = type == kTypeZ5 ? "2400001" : "1001";
    if (type == kTypeZ5) h.power = "1800", h.kur = "10000", h.kuw = "10100";
    const std::string file = SimRunFile(h, SimulatedRunRows(setup));
    Write("fuzz_grad_files", Format("run%d.grad", type), Str({type | 0x80, 0, 0}) + file);
    both += (both.empty() ? Str({type | 0xA0, 100, 0}) : "#FILE#") + file;
  }
  Write("fuzz_grad_files", "two-files", both);
}

}  // namespace
}  // namespace kvl

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  kvl::g_root = argv[1];
  ::mkdir(argv[1], 0755);
  kvl::LinkSeeds();
  kvl::FileSeeds();
  return 0;
}
