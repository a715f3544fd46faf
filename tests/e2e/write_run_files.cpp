// Writes simulated Z5 graduation run data files for the Windows end-to-end
// comparison: write_run_files FOLDER SERIAL:ADDRESS... gives FOLDER/SERIAL_0.grad
// for each, the run a detector of that serial at that address would record.
#include <cstdio>
#include <string>

#include "sim/sim_run_data.h"
#include "text/text_file.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: write_run_files FOLDER SERIAL:ADDRESS...\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::size_t colon = arg.find(':');
    kvl::SimRunHeader header;
    header.type = kvl::kTypeZ5;
    header.serial = arg.substr(0, colon);
    header.modbus = colon == std::string::npos ? "1" : arg.substr(colon + 1);
    header.power = "1800", header.kur = "10000", header.kuw = "10100";
    kvl::SimRunSetup setup;
    setup.type = kvl::kTypeZ5;
    setup.lines = 2500;
    setup.seed = std::uint64_t(i);
    const std::string path = folder + header.serial + "_0.grad";
    if (kvl::WriteFileAtomic(path, kvl::SimRunFile(header, kvl::SimulatedRunRows(setup))) != 0) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
