// The process-wide skin: set once at start-up, read by every window's paint manager.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/skin_source.h"

enum class SkinStatus {
  kNotSet,      // nothing was handed over yet
  kMissing,     // the program holds no skin archive
  kUnreadable,  // the bytes are not a readable zip archive
  kReady,
};

class CSkinResources {
 public:
  static CSkinResources& Get();

  // The archive bytes must stay valid until the last window is gone (the resource does).
  void SetZip(const void* data, size_t size);
  void SetSource(std::shared_ptr<ISkinSource> source);  // a ready source (tests, gallery)
  void Reset();

  SkinStatus Status() const { return m_status; }
  bool Read(const std::string& name, std::vector<uint8_t>& bytes) const;

 private:
  SkinStatus m_status = SkinStatus::kNotSet;
  std::shared_ptr<ISkinSource> m_source;
};
