// The process-wide state of the conversation with the update service: what the service
// said to install, where to download it from, and the service's clock.
#pragma once

#include <cstdint>
#include <string>

class CUpdateHelper {
 public:
  virtual ~CUpdateHelper() = default;

  std::wstring m_mainVersion;      // "MainVersion" of the chosen entry, e.g. "1,2,0,0"
  std::wstring m_response;         // last reply; after FetchUpdateList the chosen entry as JSON
  std::wstring m_downloadBaseUrl;  // always ends in "/"
  int32_t m_serverTime = 0;        // service clock, seconds
  uint32_t m_serverTick = 0;       // local tick count (ms) when m_serverTime was stored
};

class CUpdateHelperEx : public CUpdateHelper {
 public:
  ~CUpdateHelperEx() override = default;

  std::wstring m_workFolder;  // this run's download folder, ends in "\"
};

extern CUpdateHelperEx g_updateHelper;
