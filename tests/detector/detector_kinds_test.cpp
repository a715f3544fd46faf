#include "detector/detector_kinds.h"

#include <gtest/gtest.h>

namespace kvl {
namespace {

TEST(DetectorKinds, TypeNamesAndNumbers) {
  EXPECT_EQ(DetectorTypeFromName("KVELT"), kTypeKvelt);
  EXPECT_EQ(DetectorTypeFromName("z"), kTypeZ);
  EXPECT_EQ(DetectorTypeFromName("Z40"), kTypeZ40);
  EXPECT_EQ(DetectorTypeFromName("z5"), kTypeZ5);
  EXPECT_EQ(DetectorTypeFromName("2"), kType2);
  EXPECT_EQ(DetectorTypeFromName("4"), kTypeZ5);
  EXPECT_EQ(DetectorTypeFromName("5"), -1);
  EXPECT_EQ(DetectorTypeFromName("Z6"), -1);
  EXPECT_EQ(DetectorTypeFromName(""), -1);
  for (const auto& [name, mode] : std::vector<std::pair<const char*, int>>{
           {"Running-in", 4}, {"running_in", 4}, {"Graduation-Z5", 3}, {"Прогон", 4}, {"6", 6}, {"7", -1}, {"", -1}})
    EXPECT_EQ(OperatingModeFromName(name), mode) << name;
  EXPECT_STREQ(DetectorTypeName(kTypeZ40), "Z40");
  EXPECT_STREQ(DetectorTypeName(7), "?");
}

}  // namespace
}  // namespace kvl
