// Fetches one page of the update service over WinINet and hands its body back as text.
#pragma once

#include <cstddef>
#include <string>

class CCommService {
 public:
  CCommService() = default;
  ~CCommService() = default;
  CCommService(const CCommService&) = delete;
  CCommService& operator=(const CCommService&) = delete;

  // GET with 20 s timeouts and up to 3 attempts. True when a response arrived, whatever its
  // status; its body is kept for ReadText.
  bool FetchUrl(const std::wstring& url);
  // The kept body decoded from UTF-8. Always true; with no body the text is left as it was.
  bool ReadText(std::wstring& text) const;

  const std::wstring& ErrorText() const { return m_errorText; }

  // A reply body larger than this is refused: the service's replies are a few kilobytes.
  static constexpr size_t kMaxBodyBytes = 16 * 1024 * 1024;

 private:
  std::string m_body;
  bool m_hasBody = false;
  std::wstring m_errorText;
};
