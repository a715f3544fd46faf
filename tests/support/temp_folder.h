#pragma once
// A fresh folder under the test's temporary directory, removed with all it
// holds (permissions restored first) when the object goes.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>

namespace kvl::test {

class TempFolder {
 public:
  TempFolder() {
    // A new name of our own (as mkdtemp makes, on every system).
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::string folder = ::testing::TempDir() + "kvl_test_" + std::to_string(random()) + "_" +
                           std::to_string(counter.fetch_add(1));
      std::error_code error;
      if (std::filesystem::create_directory(folder, error)) path_ = folder + "/";
    }
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
