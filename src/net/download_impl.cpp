#include "net/download_impl.h"

#include <optional>
#include <system_error>

#include "base/log_helper.h"
#include "base/text_helpers.h"
#include "net/check_value.h"
#include "net/download_messages.h"
#include "net/gz_expand.h"
#include "net/release_trust.h"
#include "net/streamed_archive.h"

namespace {

enum CheckAndExpandResult { kCheckedAndExpanded, kCheckFailed, kExpansionFailed };

// Checks the archive and expands it. Both read the whole archive, so the expansion runs on a
// thread of its own beside the check, into a file next to the output that takes the output's
// place only once the check has passed: a file that fails its check leaves no output, and
// an earlier output stays as it was.
CheckAndExpandResult CheckAndExpand(const std::wstring& archivePath, const std::wstring& checkValue,
                                    const std::wstring& outputPath) {
  if (outputPath.empty()) {
    return CheckFileMd5(archivePath, checkValue) ? kExpansionFailed : kCheckFailed;
  }
  const std::wstring expandingPath = outputPath + L".expanding";
  bool expanded = false;
  std::thread expansion;
  try {
    expansion = std::thread([&] { expanded = ExpandGz(archivePath, expandingPath); });
  } catch (const std::system_error&) {
    // No thread to be had: the same work, one step after the other.
  }
  const bool checked = CheckFileMd5(archivePath, checkValue);
  if (expansion.joinable()) {
    expansion.join();
  } else if (checked) {
    expanded = ExpandGz(archivePath, expandingPath);
  }
  if (checked && expanded &&
      MoveFileExW(expandingPath.c_str(), outputPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return kCheckedAndExpanded;
  }
  DeleteFileW(expandingPath.c_str());
  return checked ? kExpansionFailed : kCheckFailed;
}

// Judges a downloaded archive by what the stream worked out while it arrived: a matching
// check value with a whole expansion needs no second reading of the file. Anything else is
// left to the file on disk, which decides as it always has.
CheckAndExpandResult JudgeStreamed(const CArchiveStream::Result& streamed, const std::wstring& archivePath,
                                   const std::wstring& checkValue, const std::wstring& outputPath) {
  const std::wstring expandingPath = outputPath + L".expanding";
  if (streamed.expanded && !outputPath.empty() &&
      std::wstring(streamed.checkValue.begin(), streamed.checkValue.end()) == checkValue &&
      MoveFileExW(expandingPath.c_str(), outputPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return kCheckedAndExpanded;
  }
  return CheckAndExpand(archivePath, checkValue, outputPath);
}

}  // namespace

CDownloadImpl::CDownloadImpl(const DownloadTaskList* tasks, HWND notifyWindow)
    : m_tasks(tasks), m_downloader(std::make_shared<CSocketDownload>(notifyWindow)) {}

CDownloadImpl::~CDownloadImpl() {
  StopAndJoin();
  m_downloader.reset();
  m_thread.reset();
}

void CDownloadImpl::Start() {
  m_stopFlag = 0;
  if (m_thread && m_thread->joinable()) m_thread->join();
  m_thread = std::make_shared<std::thread>(&CDownloadImpl::Run, this);
}

void CDownloadImpl::StopAndJoin() {
  m_stopFlag = 1;
  if (m_thread && m_thread->joinable()) m_thread->join();
}

std::wstring CDownloadImpl::JoinAndTakeFailureLines() {
  StopAndJoin();
  return m_downloader ? m_downloader->m_errorText : std::wstring();
}

void CDownloadImpl::Post(UINT message) {
  const HWND window = m_downloader->m_notifyWindow;
  if (window) PostFinalMessage(window, message, 0, 0, m_stopFlag, m_finalPoster);
}

bool CDownloadImpl::RunTask(const DownloadTask& task) {
  // The chosen base URL first, then the others; each that fails leaves its lines.
  std::vector<std::wstring> urls{task.url};
  urls.insert(urls.end(), task.mirrorUrls.begin(), task.mirrorUrls.end());
  for (size_t i = 0; i < urls.size(); ++i) {
    const std::wstring& url = urls[i];
    const std::wstring outputPath = WithoutGzEnding(task.archivePath);
    // The check value and the expansion are worked out while the archive arrives, except in
    // a program with a release key: it expands nothing before the signed SHA-256 has passed.
    std::optional<CStreamedArchive> streamed;
    if (!outputPath.empty() && !ProgramReleaseTrust().required) streamed.emplace(outputPath + L".expanding");
    m_downloader->SetBodyObserver(streamed ? &*streamed : nullptr);
    const bool ok = m_downloader->Download(url, task.archivePath, &m_stopFlag);
    m_downloader->SetBodyObserver(nullptr);
    const CArchiveStream::Result streamResult = streamed ? streamed->Finish() : CArchiveStream::Result();
    if (!ok || m_stopFlag != 0) DeleteFileW((outputPath + L".expanding").c_str());
    if (m_stopFlag != 0) {
      m_downloader->m_errorText += L"User close download file(" + url + L") failed\r\n";
      if (!ok) Post(WM_DOWNLOAD_FAILED);
      return false;
    }
    CLogHelper::GetInstance()->LogW(L"fileUrl = %ls, filepath = %ls, download = %ls", url.c_str(),
                                    task.archivePath.c_str(), ok ? L"sucess" : L"failed");
    CheckAndExpandResult result = kCheckFailed;
    // A program with a release key holds the archive to its signed SHA-256 before anything
    // reads it further.
    if (ok && AcceptDownloadedArchive(task, url, m_downloader->m_errorText)) {
      result = JudgeStreamed(streamResult, task.archivePath, task.checkValue, outputPath);
      if (result == kCheckFailed) m_downloader->m_errorText += L"CheckFileMd5(" + url + L") failed\r\n";
    }
    if (result == kCheckedAndExpanded) return true;
    // A file that checked but cannot be expanded here fails the same from any server.
    if (result == kExpansionFailed) break;
    if (i + 1 < urls.size()) {
      CLogHelper::GetInstance()->LogW(L"mirror failed: %ls; next: %ls", url.c_str(), urls[i + 1].c_str());
    }
  }
  Post(WM_DOWNLOAD_FAILED);
  return false;
}

void CDownloadImpl::Run() {
  if (!m_tasks || m_tasks->empty()) {
    Post(WM_DOWNLOAD_FAILED);
    return;
  }
  for (const DownloadTask& task : *m_tasks) {
    if (!RunTask(task)) return;
  }
  if (m_stopFlag == 0) Post(WM_DOWNLOAD_DONE);
}
