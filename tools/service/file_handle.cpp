#include "service/file_handle.h"

#include <unistd.h>

FileHandle::~FileHandle() {
  if (m_fd >= 0) close(m_fd);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) close(m_fd);
    m_fd = other.m_fd;
    other.m_fd = -1;
  }
  return *this;
}
