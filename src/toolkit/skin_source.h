// Where the toolkit reads layout files and images from: the skin archive in the program, or,
// for tests and the gallery, a folder or a set of files held in memory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/native_path.h"
#include "base/text_helpers.h"

class ISkinSource {
 public:
  virtual ~ISkinSource() = default;
  // name: a file name at the skin's root, UTF-8; letter case is not significant when the
  // exact name is absent.
  virtual bool Read(const std::string& name, std::vector<uint8_t>& bytes) const = 0;
};

class CMemorySkinSource : public ISkinSource {
 public:
  void Add(const std::string& name, std::vector<uint8_t> bytes);
  void Add(const std::string& name, const std::string& bytes);
  bool Read(const std::string& name, std::vector<uint8_t>& bytes) const override;

 private:
  std::map<std::string, std::vector<uint8_t>> m_files;
};

class CFolderSkinSource : public ISkinSource {
 public:
  explicit CFolderSkinSource(NativePath folder) : m_folder(std::move(folder)) {}
  bool Read(const std::string& name, std::vector<uint8_t>& bytes) const override;

 private:
  NativePath m_folder;
};

// The entry of a name-keyed map for a skin file name: the exact name, else the first that
// differs only in the case of ASCII letters (skin names are plain ASCII).
template <typename NameMap>
typename NameMap::const_iterator FindSkinName(const NameMap& files, const std::string& name) {
  auto found = files.find(name);
  if (found != files.end()) return found;
  for (found = files.begin(); found != files.end(); ++found) {
    if (EqualsNoCase(found->first, name)) break;
  }
  return found;
}

// A name that could leave the skin's root ("..", a folder part, a drive) is never read.
bool IsPlainSkinName(const std::string& name);
