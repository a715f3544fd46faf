#pragma once
// A fresh folder under the test's temporary directory, removed with all it
// holds (permissions restored first) when the object goes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace kvl::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = ::testing::TempDir() + "kvl_test_XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern + "/";
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }  // ends with "/"
  std::string operator/(std::string_view name) const { return path_ + std::string(name); }

 private:
  std::string path_;
};

}  // namespace kvl::test
