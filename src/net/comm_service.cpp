#include "net/comm_service.h"

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <type_traits>

namespace {

struct InternetCloser {
  void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<std::remove_pointer_t<HINTERNET>, InternetCloser>;

constexpr DWORD kTimeoutMs = 20000;
constexpr int kAttempts = 3;
constexpr DWORD kReadBlockBytes = 1024;

void SetTimeout(HINTERNET internet, DWORD option) {
  DWORD timeout = kTimeoutMs;
  InternetSetOptionW(internet, option, &timeout, sizeof(timeout));
}

}  // namespace

bool CCommService::FetchUrl(const std::wstring& url) {
  m_body.clear();
  m_hasBody = false;

  InternetHandle internet(InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!internet) {
    m_errorText = L"InternetOpen failed.";
    return false;
  }
  SetTimeout(internet.get(), INTERNET_OPTION_CONNECT_TIMEOUT);
  SetTimeout(internet.get(), INTERNET_OPTION_SEND_TIMEOUT);
  SetTimeout(internet.get(), INTERNET_OPTION_RECEIVE_TIMEOUT);
  BOOL decoding = TRUE;
  InternetSetOptionW(internet.get(), INTERNET_OPTION_HTTP_DECODING, &decoding, sizeof(decoding));

  const DWORD flags = INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_PASSIVE |
                      INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
  InternetHandle request;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    request.reset(InternetOpenUrlW(internet.get(), url.c_str(), nullptr, 0, flags, 0));
    if (!request) continue;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
      continue;
    }
    if (status == HTTP_STATUS_DENIED || status == HTTP_STATUS_PROXY_AUTH_REQ) {
      const DWORD answer = InternetErrorDlg(
          GetDesktopWindow(), request.get(), ERROR_INTERNET_INCORRECT_PASSWORD,
          FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
              FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
          nullptr);
      if (answer == ERROR_INTERNET_FORCE_RETRY) continue;
    }
    // Any other status ends the attempts: its body is the reply.
    break;
  }
  if (!request) {
    m_errorText = L"InternetOpenUrl return hInternetFile NULL.";
    return false;
  }

  std::string body;
  char block[kReadBlockBytes];
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request.get(), block, sizeof(block), &read) || read == 0) break;
    if (body.size() + read > kMaxBodyBytes) {
      m_errorText = L"The reply is too large.";
      return false;
    }
    body.append(block, read);
  }
  m_body.swap(body);
  m_hasBody = true;
  return true;
}

bool CCommService::ReadText(std::wstring& text) const {
  if (!m_hasBody) return true;
  if (m_body.empty()) {
    text.clear();
    return true;
  }
  const int bytes = static_cast<int>(m_body.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, m_body.data(), bytes, nullptr, 0);
  std::wstring decoded(static_cast<size_t>(units > 0 ? units : 0), L'\0');
  if (units > 0) MultiByteToWideChar(CP_UTF8, 0, m_body.data(), bytes, &decoded[0], units);
  text.swap(decoded);
  return true;
}
