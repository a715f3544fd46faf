#include "sim/demo_bus.h"

#include <gtest/gtest.h>

#include "link/modbus_slave.h"

namespace kvl {
namespace {

TEST(DemoBus, ServesItsDetectorsToALinkThatOpensItByPath) {
  CDemoBus demo;
  std::string error;
  ASSERT_TRUE(demo.Start(kTypeZ5, 8, 1, 9600, &error)) << error;
  ASSERT_FALSE(demo.DevicePath().empty());

  CModbusSlave link;
  ASSERT_EQ(link.Open(demo.DevicePath()), 0);
  ASSERT_EQ(link.Configure(9600, 200), 0);
  std::uint16_t w[2];
  for (int a = 1; a <= 8; ++a) EXPECT_EQ(link.ReadRegisters(static_cast<std::uint8_t>(a), 3, 0, 2, w), 0) << a;
  EXPECT_EQ(link.ReadRegisters(9, 3, 0, 2, w), 1) << "nobody at address 9";

  // Closing and reopening the line (the operator's check box) keeps the bus.
  ASSERT_EQ(link.Close(), 0);
  ASSERT_EQ(link.Open(demo.DevicePath()), 0);
  ASSERT_EQ(link.Configure(9600, 200), 0);
  EXPECT_EQ(link.ReadRegisters(3, 3, 0, 2, w), 0);
}

TEST(DemoBus, FollowsTheTypeSelector) {
  CDemoBus demo;
  ASSERT_TRUE(demo.Start(kTypeZ5, 3, 5, 9600, nullptr));
  demo.SetType(kTypeKvelt);
  const auto list = demo.Bus().List();
  ASSERT_EQ(list.size(), 3u);
  for (const auto& d : list) EXPECT_EQ(d.type, kTypeKvelt);
  EXPECT_EQ(list.front().address, 5);
  EXPECT_EQ(demo.Type(), kTypeKvelt);
  demo.Stop();
  EXPECT_FALSE(demo.Running());
  EXPECT_TRUE(demo.DevicePath().empty());
}

}  // namespace
}  // namespace kvl
