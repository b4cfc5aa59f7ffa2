// A file descriptor that closes itself.
#pragma once

class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : m_fd(fd) {}
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  int Get() const { return m_fd; }
  bool IsOpen() const { return m_fd >= 0; }

 private:
  int m_fd = -1;
};
