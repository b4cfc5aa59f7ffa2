// Where the toolkit reads layout files and images from: the skin archive in the program, or,
// for tests and the gallery, a folder or a set of files held in memory.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/native_path.h"

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

// ASCII letters only: the skin's file names are plain ASCII.
bool SkinNameEqualsNoCase(const std::string& a, const std::string& b);
// A name that could leave the skin's root ("..", a folder part, a drive) is never read.
bool IsPlainSkinName(const std::string& name);
