// Installing downloaded files: modules copied over their installed counterparts, archive
// modules and the full package unpacked, the unpacked client copied into place.
#include "package/aftermath_helper.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "base/file_system.h"
#include "base/text_helpers.h"
#include "base/win_handles.h"
#include "base/zip_reader.h"
#include "package/install_journal.h"
#include "package/zip_entry_path.h"

CAftermathHelper g_aftermathHelper;

namespace {

// At most this many items of one archive are looked at.
constexpr int kMaxArchiveItems = 1000;

bool IsCancelled(const std::atomic<uint8_t>* cancelFlag) { return cancelFlag && cancelFlag->load() != 0; }

// A file beside the target receives the new content; only a complete copy replaces the
// target, in one step, so the target always holds either its old or its new content.
std::wstring SiblingTempPath(const std::wstring& target) { return target + L".tavora-part"; }

std::wstring ErrorText(DWORD error) { return L"error " + std::to_wstring(error); }

bool WriteAll(HANDLE file, const uint8_t* bytes, size_t count) {
  size_t written = 0;
  while (written < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - written, 1u << 30));
    DWORD done = 0;
    if (!WriteFile(file, bytes + written, chunk, &done, nullptr) || done == 0) return false;
    written += done;
  }
  return true;
}

// One archive item, unpacked into whatever it is written to, block by block.
struct ItemSource {
  const CZipReader& reader;
  int index;
};

void FailUnpack(const std::wstring& shownName, CInstallJournal& journal) {
  journal.Fail(shownName + L": could not be unpacked (damaged, or larger than an item may be)");
}

// Writes path, which must not exist yet, with the item unpacked straight into it: memory
// stays at one block whatever the item's size. A partly written file is removed again, also
// when the item turns out damaged at its end (its CRC is known only then). False, with a
// failure line, when the item is damaged or the file cannot be written.
bool WriteNewFile(const std::wstring& path, const ItemSource& item, const std::wstring& shownName,
                  CInstallJournal& journal) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD error = GetLastError();
  bool writeFailed = file.get() == INVALID_HANDLE_VALUE;
  if (!writeFailed) {
    const bool unpacked = item.reader.UnzipItemTo(item.index, [&](const uint8_t* bytes, size_t count) {
      if (WriteAll(file.get(), bytes, count)) return true;
      error = GetLastError();
      writeFailed = true;
      return false;
    });
    if (unpacked) return true;
    file.reset();
    DeleteFileW(path.c_str());
  }
  if (writeFailed) {
    journal.Fail(shownName + L": could not be written (" + ErrorText(error) + L")");
  } else {
    FailUnpack(shownName, journal);
  }
  return false;
}

// A missing file is written in place; an existing one is kept (keepExisting, once the item
// has been found sound) or replaced through the sibling temp file. Either way the journal
// notes the change first and can undo it.
void PlaceFile(const std::wstring& target, const ItemSource& item, const std::wstring& shownName,
               bool keepExisting, CInstallJournal& journal) {
  if (!PathExists(target)) {
    if (journal.WillAdd(target)) WriteNewFile(target, item, shownName, journal);
    return;
  }
  if (keepExisting) {
    // A damaged item fails the install even where its file is kept.
    if (!item.reader.UnzipItemTo(item.index, [](const uint8_t*, size_t) { return true; })) {
      FailUnpack(shownName, journal);
    }
    return;
  }
  const std::wstring temp = SiblingTempPath(target);
  if (!journal.WillTouch(target)) return;
  DeleteFileW(temp.c_str());  // left by a run that was killed
  if (WriteNewFile(temp, item, shownName, journal)) journal.Replace(temp, target, shownName);
}

std::wstring ItemName(const ZipEntry& entry) {
  // Names not marked UTF-8 are in the code page the packages are made with (936).
  const UINT codePage = entry.nameIsUtf8 ? CP_UTF8 : 936;
  const int length = MultiByteToWideChar(codePage, 0, entry.name.data(), static_cast<int>(entry.name.size()), nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring name(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, entry.name.data(), static_cast<int>(entry.name.size()), &name[0], length);
  return name;
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Where an archive's items land: every item under the target folder, replacing what is there
// (modules); or only the items under one top folder, that folder's content each where no
// file is yet (the full package, whose client folder becomes the installation folder).
struct ItemPlacement {
  std::wstring topFolder;  // empty: every item; else a folder name ending in "\"
  bool keepExisting = false;
  bool foundTopFolder = false;  // a file item under topFolder was seen
};

void ExpandArchive(const std::wstring& archivePath, const std::wstring& targetFolder,
                   const std::atomic<uint8_t>* cancelFlag, ItemPlacement& placement, CInstallJournal& journal) {
  const std::wstring archiveName = FileNameOf(archivePath);
  CZipReader reader;
  if (!reader.OpenFile(archivePath)) {
    journal.Fail(archiveName + L": the archive could not be opened");
    return;
  }
  std::wstring folder = targetFolder;
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';

  std::wstring createdFolder;     // items come grouped by folder; each is created once
  for (int index = 0; !IsCancelled(cancelFlag); ++index) {
    ZipEntry entry;
    if (!reader.GetItem(index, entry)) break;
    if (index == kMaxArchiveItems) {
      // Items past the limit are not installed; a client with some of its files missing
      // must not count as installed.
      journal.Fail(archiveName + L": holds more than " + std::to_wstring(kMaxArchiveItems) +
                   L" items; the rest were not installed");
      break;
    }
    if (entry.uncompressedSize == 0) continue;

    const std::wstring itemName = ItemName(entry);
    const std::wstring shownName = archiveName + L" item " + std::to_wstring(index) + L" \"" + itemName + L"\"";
    std::wstring relativePath;
    if (!ZipEntryRelativePath(itemName, relativePath)) {
      journal.Fail(shownName + L": refused, its name leaves the target folder");
      continue;
    }
    if (!placement.topFolder.empty()) {
      if (!StartsWithNoCase(relativePath, placement.topFolder)) continue;  // not part of the client
      placement.foundTopFolder = true;
      relativePath.erase(0, placement.topFolder.size());
    }
    const size_t slash = relativePath.rfind(L'\\');
    if (slash != std::wstring::npos) {
      const std::wstring itemFolder = folder + relativePath.substr(0, slash);
      if (itemFolder != createdFolder) {
        if (!journal.CreateFolders(itemFolder)) continue;
        createdFolder = itemFolder;
      }
    }
    PlaceFile(folder + relativePath, ItemSource{reader, index}, shownName, placement.keepExisting, journal);
  }
}

}  // namespace

void CAftermathHelper::CopyModulesToInstallFolder(const std::wstring& installFolder, const DownloadTaskList& tasks,
                                                  CInstallJournal& journal) {
  if (!journal.CreateFolders(installFolder)) return;

  for (const DownloadTask& task : tasks) {
    const std::wstring& archivePath = task.archivePath;
    const size_t slash = archivePath.rfind(L'\\');
    const size_t dot = archivePath.rfind(L'.');
    const std::wstring expanded = WithoutGzEnding(archivePath);
    if (slash == std::wstring::npos || dot == std::wstring::npos || dot < slash || expanded.empty()) {
      journal.Fail(archivePath + L": names no installed file");
      continue;
    }
    const std::wstring fileName = archivePath.substr(slash + 1, dot - slash - 1);
    const std::wstring target = installFolder + fileName;

    const std::wstring temp = SiblingTempPath(target);
    if (!journal.WillTouch(target)) continue;
    if (!CopyFileW(expanded.c_str(), temp.c_str(), FALSE)) {
      const DWORD copyError = GetLastError();
      DeleteFileW(temp.c_str());
      journal.Fail(fileName + L": could not be copied from the download (" + ErrorText(copyError) + L")");
      continue;
    }
    journal.Replace(temp, target, fileName);
  }
}

void CAftermathHelper::ExpandZipModules(const std::wstring& targetFolder, const DownloadTaskList& tasks,
                                        const std::atomic<uint8_t>* cancelFlag, CInstallJournal& journal) {
  for (const DownloadTask& task : tasks) {
    if (IsCancelled(cancelFlag)) return;
    const std::wstring zipPath = WithoutGzEnding(task.archivePath);
    if (!ContainsNoCase(task.archivePath, L".zip.gz") || zipPath.empty()) continue;
    ItemPlacement everyItem;
    ExpandArchive(zipPath, targetFolder, cancelFlag, everyItem, journal);
  }
}

bool CAftermathHelper::ExpandFullPackage(const std::wstring& installFolder, const DownloadTaskList& tasks,
                                         const std::atomic<uint8_t>* cancelFlag, CInstallJournal& journal) {
  ItemPlacement client;
  client.topFolder = L"TavoraStudent\\";
  client.keepExisting = true;
  for (const DownloadTask& task : tasks) {
    if (IsCancelled(cancelFlag)) break;
    const std::wstring zipPath = WithoutGzEnding(task.archivePath);
    if (!ContainsNoCase(task.archivePath, L".zip.gz") || zipPath.empty()) continue;
    ExpandArchive(zipPath, installFolder, cancelFlag, client, journal);
  }
  return client.foundTopFolder;
}
