// A fresh folder per test, removed afterwards; optionally made the current directory.
#pragma once

#include <filesystem>
#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
  // Makes the folder current until destruction (the log is relative to it).
  void MakeCurrent();

 private:
  std::filesystem::path m_path;
  std::filesystem::path m_previousCurrent;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
