// The process-wide state of the conversation with the update service: what the service
// said to install, where to download it from, and the service's clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/request_codec.h"

class CUpdateHelper {
 public:
  virtual ~CUpdateHelper() = default;

  std::wstring m_mainVersion;      // "MainVersion" of the chosen entry, e.g. "1,2,0,0"
  std::wstring m_response;         // last reply; after FetchUpdateList the chosen entry as JSON
  std::wstring m_downloadBaseUrl;  // always ends in "/"
  std::vector<std::wstring> m_mirrorBaseUrls;  // the other "DownloadUrls", in the order to try
  int32_t m_serverTime = 0;        // service clock, seconds
  uint32_t m_serverTick = 0;       // local tick count (ms) when m_serverTime was stored
};

class CUpdateHelperEx : public CUpdateHelper {
 public:
  ~CUpdateHelperEx() override = default;

  // Asks the time service for its clock; the outcome does not matter to the caller.
  void SyncServerTime();
  // Fetches the update list and takes over the first entry named productName (any letter
  // case): m_mainVersion, m_downloadBaseUrl, and m_response = that entry as JSON. A program
  // with a release key takes over only an entry signed with it: otherwise nothing is taken
  // over, m_releaseRefusal says why and the result is false.
  bool FetchUpdateList(const std::wstring& productName);
  // One signed request (or the time request); reply receives the braced part of the answer.
  // A signed time the service refuses is sent once more with the refreshed clock; outside
  // callers pass repeat = false.
  bool SendRequest(std::wstring& reply, ServiceRequestType type, const std::wstring& data,
                   bool repeat);
  // Stores a non-zero "SCX"."TimeStamp" of the reply with the current tick count.
  bool ApplyServerTimeStamp(const std::wstring& reply);
  // The service's clock now, in seconds.
  int32_t ServerNow() const;

  // "host" or "host:port" of the time and request services; the build's settings by default.
  void SetServiceHosts(const std::wstring& timeHost, const std::wstring& serviceHost);

  std::wstring m_workFolder;  // this run's download folder, ends in "\"
  // After a false FetchUpdateList: the failure report's line when the list came but its entry
  // failed the release check; empty when no usable list came at all.
  std::wstring m_releaseRefusal;

 private:
  std::wstring m_timeHost;     // empty: the build's time host
  std::wstring m_serviceHost;  // empty: the build's request host
};

extern CUpdateHelperEx g_updateHelper;
