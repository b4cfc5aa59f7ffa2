// Asks CheckInstallerUpdate from a process of its own, so the running program's version is
// this program's version resource. Arguments: manifest file (UTF-8), download base URL,
// work folder, result file. The result file gets one "key=value" line per fact.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "net/update_helper.h"
#include "package/manifest_queries.h"

namespace {

std::wstring FromUtf8(const std::string& text) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string ToUtf8(const std::wstring& text) {
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], length, nullptr, nullptr);
  }
  return narrow;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 2;
  std::ifstream manifest(argv[1], std::ios::binary);
  std::stringstream text;
  text << manifest.rdbuf();
  g_updateHelper.m_response = FromUtf8(text.str());
  g_updateHelper.m_downloadBaseUrl = argv[2];
  g_updateHelper.m_workFolder = argv[3];

  DownloadTaskList tasks;
  int64_t totalBytes = 0;
  const bool newer = CheckInstallerUpdate(tasks, totalBytes);

  std::ofstream result(argv[4], std::ios::binary | std::ios::trunc);
  result << "newer=" << (newer ? 1 : 0) << "\n";
  result << "total=" << totalBytes << "\n";
  result << "tasks=" << tasks.size() << "\n";
  for (const DownloadTask& task : tasks) {
    result << "url=" << ToUtf8(task.url) << "\n";
    result << "archive=" << ToUtf8(task.archivePath) << "\n";
    result << "check=" << ToUtf8(task.checkValue) << "\n";
  }
  return result.good() ? 0 : 1;
}
