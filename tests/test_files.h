// Files for tests: a fresh working directory for tests that write the file
// "record", reading and writing whole files, and the golden records of
// tests/data.
#ifndef BIOAPI_DATA_TESTS_TEST_FILES_H_
#define BIOAPI_DATA_TESTS_TEST_FILES_H_

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace BioAPI_Data {
namespace testing {

/// Makes a new empty directory the working directory; restores the previous
/// one and removes the directory on destruction.
class ScopedTempDirectory {
 public:
  ScopedTempDirectory() : previous_(std::filesystem::current_path()) {
    static std::atomic<int> counter{0};
    const auto stamp =
        std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("bioapi_data_test_" + std::to_string(stamp) + "_" +
             std::to_string(counter++));
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
  }
  ~ScopedTempDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScopedTempDirectory(const ScopedTempDirectory&) = delete;
  ScopedTempDirectory& operator=(const ScopedTempDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

/// Returns the bytes of a file, or an empty vector when it cannot be read.
inline std::vector<unsigned char> ReadFileBytes(
    const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(file),
                                    std::istreambuf_iterator<char>());
}

/// Writes `bytes` to a file, replacing it.
inline void WriteFileBytes(const std::filesystem::path& path,
                           const std::vector<unsigned char>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

/// Returns a golden record of tests/data.
inline std::vector<unsigned char> ReadTestData(const std::string& name) {
  return ReadFileBytes(std::filesystem::path(BIOAPI_DATA_TEST_DATA_DIR) / name);
}

}  // namespace testing
}  // namespace BioAPI_Data

#endif  // BIOAPI_DATA_TESTS_TEST_FILES_H_
