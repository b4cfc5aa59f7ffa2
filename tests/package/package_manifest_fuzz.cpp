// Fuzzes the manifest queries (the update service's reply) and the archive item names the
// pipeline turns into paths: neither may crash, throw or build a path that leaves its folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "package/package_manifest.h"
#include "package/zip_entry_path.h"

namespace {

class NothingInstalled : public IInstalledFiles {
 public:
  PackageVersion FileVersion(const std::wstring&) override { return {}; }
  bool FileExists(const std::wstring& path) override { return path.size() % 2 == 0; }
};

void CheckTasks(const DownloadTaskList& tasks, const ManifestSource& source) {
  for (const DownloadTask& task : tasks) {
    const std::wstring name = task.archivePath.substr(source.workFolder.size());
    if (task.archivePath.compare(0, source.workFolder.size(), source.workFolder) != 0) __builtin_trap();
    if (name.find_first_of(L"\\/:") != std::wstring::npos) __builtin_trap();
  }
}

}  // namespace

const wchar_t kManifest[] =
    L"{\"MainVersion\":\"1,1,0,0\",\"Modules\":[{\"name\":\"TavoraCore-0123456789abcdef.dll\",\"bytes\":10,"
    L"\"version\":\"1.1.0.0\",\"registerdll\":\"false\"},{\"name\":\"config-0123456789abcdef.ini\",\"bytes\":"
    L"\"5\",\"version\":\"0.0.0.0\",\"registerdll\":\"TRUE\",\"mustupdate\":\"false\"},{\"name\":"
    L"\"TavoraStudentInstaller-0123456789abcdef.exe\",\"bytes\":7,\"version\":\"2.0.0.0\",\"registerdll\":"
    L"\"false\"}],\"InstallPackageNew\":{\"name\":\"TavoraStudent-0123456789abcdef.zip\",\"bytes\":99}}";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  if (size >= 2 && (data[0] & 1) == 0) {
    // The input spliced into a valid manifest, so values and names are reached at once.
    text = kManifest;
    const size_t at = data[1] % (text.size() + 1);
    std::wstring inserted;
    for (size_t i = 2; i < size; ++i) inserted += static_cast<wchar_t>(data[i]);
    text.insert(at, inserted);
  } else {
    for (size_t i = 0; i < size; ++i) text += static_cast<wchar_t>(data[i]);
  }

  const ManifestSource source{text, L"http://127.0.0.1/", L"C:\\work\\"};
  NothingInstalled files;
  DownloadTaskList tasks;
  int64_t total = 0;
  ReadModuleTaskList(source, L"C:\\install\\", files, tasks, total);
  CheckTasks(tasks, source);
  ReadInstallerUpdate(source, PackageVersion{}, tasks, total);
  CheckTasks(tasks, source);
  ReadFullPackageTask(source, tasks, total);
  CheckTasks(tasks, source);
  ParsePackageVersion(text);

  std::wstring relative;
  if (ZipEntryRelativePath(text, relative)) {
    if (relative.empty() || relative[0] == L'\\' || relative.find(L':') != std::wstring::npos) __builtin_trap();
    size_t start = 0;
    while (start <= relative.size()) {
      size_t end = relative.find(L'\\', start);
      if (end == std::wstring::npos) end = relative.size();
      const std::wstring part = relative.substr(start, end - start);
      if (part.empty() || part.find_first_not_of(L". ") == std::wstring::npos) __builtin_trap();
      start = end + 1;
    }
  }
  return 0;
}
