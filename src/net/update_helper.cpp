#include "net/update_helper.h"

#include <windows.h>

#include "build_settings.h"
#include "net/comm_service.h"
#include "net/release_trust.h"
#include "net/request_encoder.h"
#include "net/server_clock.h"
#include "net/update_reply.h"

CUpdateHelperEx g_updateHelper;

namespace {

std::wstring WidenAscii(const char* text) {
  const std::string narrow(text);
  return std::wstring(narrow.begin(), narrow.end());
}

}  // namespace

void CUpdateHelperEx::SetServiceHosts(const std::wstring& timeHost, const std::wstring& serviceHost) {
  m_timeHost = timeHost;
  m_serviceHost = serviceHost;
}

int32_t CUpdateHelperEx::ServerNow() const {
  return ServerClockNow(m_serverTime, m_serverTick, GetTickCount());
}

bool CUpdateHelperEx::ApplyServerTimeStamp(const std::wstring& reply) {
  int32_t timeStamp = 0;
  if (!ReadServerTimeStamp(reply, timeStamp)) return false;
  m_serverTime = timeStamp;
  if (timeStamp == 0) return false;
  m_serverTick = GetTickCount();
  return true;
}

bool CUpdateHelperEx::SendRequest(std::wstring& reply, ServiceRequestType type,
                                  const std::wstring& data, bool repeat) {
  std::wstring url;
  if (type == ServiceRequestType::kTimeStamp) {
    const std::wstring host = m_timeHost.empty() ? WidenAscii(settings::kTimeHost) : m_timeHost;
    url = L"http://" + host + L"/cgi-bin/timestamp/";
  } else {
    if (RequestTypeText(type) == nullptr) return false;
    const std::wstring query = EncodeRequest(type, data);
    if (query.empty()) return false;
    const int32_t now = ServerNow();
    const std::wstring nowText = std::to_wstring(now);
    const std::wstring signature = Md5Hex(WidenAscii(settings::kSignSalt) + query + nowText);
    const std::wstring host =
        m_serviceHost.empty() ? WidenAscii(settings::kServiceHost) : m_serviceHost;
    url = L"http://" + host + L"/cgi-bin/service?RequestData=" + EscapeRequestData(query) +
          L"&TimeStamp=" + nowText + L"&MD5=" + signature;
  }

  CCommService service;
  if (!service.FetchUrl(url)) return false;
  service.ReadText(reply);

  // Every reply may carry the service's clock; on a signed request it also means the
  // service refused the time it was sent.
  const bool clockRefreshed = ApplyServerTimeStamp(reply);
  if (!clockRefreshed || type == ServiceRequestType::kTimeStamp || repeat) {
    return KeepBracedPart(reply);
  }
  return SendRequest(reply, type, data, true);
}

void CUpdateHelperEx::SyncServerTime() {
  SendRequest(m_response, ServiceRequestType::kTimeStamp, std::wstring(), false);
}

bool CUpdateHelperEx::FetchUpdateList(const std::wstring& productName) {
  m_response.clear();
  m_releaseRefusal.clear();
  if (!SendRequest(m_response, ServiceRequestType::kUpdateVersionData, std::wstring(), false)) {
    return false;
  }
  UpdateEntry entry;
  if (!ChooseUpdateEntry(m_response, productName, entry)) return false;
  // The text checked is the text every later step reads.
  if (!AcceptReleaseEntry(productName, entry.entryJson, m_releaseRefusal)) {
    m_response.clear();
    return false;
  }
  m_mainVersion = entry.mainVersion;
  m_downloadBaseUrl = entry.downloadBaseUrl;
  m_mirrorBaseUrls = entry.mirrorBaseUrls;
  m_response = entry.entryJson;
  return true;
}
