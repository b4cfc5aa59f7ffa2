#include "net/request_encoder.h"

#include <windows.h>

#include "build_settings.h"
#include "net/machine_description.h"

namespace {

constexpr UINT kServiceCodePage = 936;

std::wstring WidenAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

std::string ToServiceCodePage(const std::wstring& text) {
  if (text.empty()) return {};
  const int units = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(kServiceCodePage, 0, text.data(), units, nullptr, 0,
                                        nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string narrow(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(kServiceCodePage, 0, text.data(), units, &narrow[0], bytes, nullptr, nullptr);
  return narrow;
}

std::wstring EncodeRequest(ServiceRequestType type, const std::wstring& data) {
  ReportFields report;
  if (IsReportType(type)) {
    report.reason = ToServiceCodePage(data);
    report.browser = ToServiceCodePage(ReadBrowserVersion());
    report.os = ToServiceCodePage(ReadOsDescription());
  }
  std::string query;
  if (!BuildRequestQuery(type, report, GetTickCount(), query)) return {};
  std::string cipher;
  if (!TripleDesOfb(query, settings::kDesKey, cipher)) return {};
  return WidenAscii(Base64Encode(cipher));
}

std::wstring Md5Hex(const std::wstring& text) {
  return WidenAscii(Md5HexOfBytes(ToServiceCodePage(text)));
}
