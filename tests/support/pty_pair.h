#pragma once
// A linked pseudo-terminal pair: the code under test opens the slave side by
// its path like any serial device; the test plays the far end on the master fd.
#include <cstdint>
#include <string>
#include <vector>

namespace kvl::test {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  int MasterFd() const { return master_; }
  const std::string& SlavePath() const { return slavePath_; }

  // Reads one frame from the master side: waits up to timeoutMs for the first
  // byte, then collects until the line is quiet for gapMs. Empty on time-out.
  std::vector<std::uint8_t> ReadFrame(int timeoutMs, int gapMs = 3);
  void Write(const std::vector<std::uint8_t>& bytes);
  // Discards whatever is waiting on the master side.
  void Drain();

 private:
  int master_ = -1;
  int slaveKeep_ = -1;  // keeps the slave side alive between opens by the code under test
  std::string slavePath_;
};

}  // namespace kvl::test
