// The skin as a zip archive held in memory (the program's "SkinZip" resource).
#pragma once

#include <map>
#include <string>

#include "base/zip_reader.h"
#include "toolkit/skin_source.h"

class CZipSkinSource : public ISkinSource {
 public:
  // The bytes must stay valid as long as this object lives. False when they are not a zip
  // archive with at least one file.
  bool Open(const void* data, size_t size);
  bool Read(const std::string& name, std::vector<uint8_t>& bytes) const override;

 private:
  CZipReader m_reader;
  std::map<std::string, int> m_index;  // entry name -> item index
};
