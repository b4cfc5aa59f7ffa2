#include "support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  m_path = fs::temp_directory_path() /
           ("tavora-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(m_path);
}

TempFolder::~TempFolder() {
  std::error_code error;
  if (!m_previousCurrent.empty()) fs::current_path(m_previousCurrent, error);
  fs::remove_all(m_path, error);
}

void TempFolder::MakeCurrent() {
  m_previousCurrent = fs::current_path();
  fs::current_path(m_path);
}

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
