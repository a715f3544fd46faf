// The per-detector figures from a sequence of frames as the link reports them.
#include "link/link_stats.h"

#include <gtest/gtest.h>

#include "link/modbus_frames.h"

namespace kvl {
namespace {

struct Recorder : CLinkObserver {
  int frames = 0;
  void OnFrame(const LinkFrame&) override { ++frames; }
};

TEST(LinkStats, LatencyAndEveryKindOfFailurePerDetector) {
  Recorder trace;
  CLinkStats stats(&trace);
  std::int64_t now = 0;
  auto exchange = [&](const Bytes& request, const Bytes& answer, int result, double ms) {
    stats.OnFrame({FrameDirection::Sent, request, now, 0});
    now += std::int64_t(ms * 1e6);
    stats.OnFrame({FrameDirection::Received, answer, now, result});
    now += 1000000;
  };
  const Bytes read1 = BuildReadRequest(1, 3, 0, 2);
  Bytes crcBroken = BuildResponse(1, 3, {1, 2});
  crcBroken.back() ^= 1;
  exchange(read1, BuildResponse(1, 3, {1, 2}), 0, 12);
  exchange(read1, BuildResponse(1, 3, {1, 2}), 0, 18);
  exchange(read1, {}, 1, 500);
  exchange(read1, {1, 3}, 2, 30);
  Bytes cut = BuildResponse(1, 3, {1, 2});
  cut.resize(6);
  exchange(read1, cut, 2, 30);  // cut off: short, though its CRC fails as well
  exchange(read1, crcBroken, 3, 15);
  exchange(read1, BuildResponse(9, 3, {1, 2}), 4, 15);
  exchange(read1, BuildException(1, 3, 2), 4, 14);
  exchange(BuildWriteSingle(2, 6, 5, 40), BuildWriteSingle(2, 6, 5, 40), 0, 10);
  exchange(BuildWriteSingle(2, 6, 5, 40), BuildWriteSingle(2, 6, 5, 41), 1, 10);  // echo differs: refused
  stats.OnFrame({FrameDirection::Sent, BuildWriteSingle(0, 6, 0, 264), now, 0});   // broadcast: nobody answers
  // Playing detectors the program answers: none of it is a figure of its polling.
  stats.OnFrame({FrameDirection::Received, BuildReadRequest(1, 3, 0, 2), now, 0, true});
  stats.OnFrame({FrameDirection::Sent, BuildResponse(1, 3, {1, 2}), now + 5000000, 0, true});
  stats.OnFrame({FrameDirection::Received, BuildReadRequest(2, 3, 0, 2), now + 9000000, 0, true});

  const auto s = stats.Snapshot();
  ASSERT_EQ(s.size(), 2u);
  const DetectorLinkStats& one = s.at(1);
  EXPECT_EQ(one.requests, 8u);
  EXPECT_EQ(one.answers, 2u);
  EXPECT_DOUBLE_EQ(one.minMs, 12);
  EXPECT_DOUBLE_EQ(one.MeanMs(), 15);
  EXPECT_DOUBLE_EQ(one.maxMs, 18);
  EXPECT_EQ(LinkStatsLine(1, one),
            "addr 1: 8 requests, 2 answers, latency min/mean/max 12.0/15.0/18.0 ms; no answer 1, CRC 1, short 2, "
            "exception 1, wrong address 1, other 0");
  EXPECT_EQ(s.at(2).answers, 1u);
  EXPECT_EQ(s.at(2).otherErrors, 1u);
  EXPECT_EQ(trace.frames, 24) << "every frame goes on to the trace";
}

}  // namespace
}  // namespace kvl
