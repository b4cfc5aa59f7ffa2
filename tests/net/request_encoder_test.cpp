#include "net/request_encoder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "build_settings.h"
#include "net/machine_description.h"

namespace {

std::string DecryptRequest(const std::wstring& base64) {
  std::string cipher, query;
  EXPECT_TRUE(Base64Decode(std::string(base64.begin(), base64.end()), cipher));
  EXPECT_TRUE(TripleDesOfb(cipher, settings::kDesKey, query));
  return query;
}

// The machine's values as another reader sees them.
std::wstring RegistryText(const wchar_t* key, const wchar_t* value) {
  wchar_t buffer[1024] = {};
  DWORD bytes = sizeof(buffer);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key, value, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                   nullptr, buffer, &bytes) != ERROR_SUCCESS) {
    return std::wstring();
  }
  return buffer;
}

uint32_t TickOf(const std::string& query) {
  const size_t start = query.find("&TIMESTAMP=") + 11;
  return static_cast<uint32_t>(std::stoul(query.substr(start, query.find('&', start) - start)));
}

}  // namespace

TEST(RequestEncoder, UpdateListRequestCarriesTypeTickAndOrigin) {
  const uint32_t before = GetTickCount();
  const std::string query = DecryptRequest(EncodeRequest(ServiceRequestType::kUpdateVersionData, L"ignored"));
  const uint32_t after = GetTickCount();
  const std::string tick = std::to_string(TickOf(query));
  EXPECT_EQ(query, "REQUESTTYPE=IN_UpdateVersionData&TIMESTAMP=" + tick + "&FROMTYPE=CLIENT_PC");
  EXPECT_GE(TickOf(query), before);
  EXPECT_LE(TickOf(query), after);
}

TEST(RequestEncoder, FailureReportCarriesReasonBrowserAndSystemInCodePage936) {
  const std::string query =
      DecryptRequest(EncodeRequest(ServiceRequestType::kUserInstallFailedReason, L"下载失败 a&b=c"));
  const std::wstring browser = RegistryText(L"Software\\Microsoft\\Internet Explorer", L"Version");
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(GetVersionExW(&version));
  const std::wstring os =
      RegistryText(L"Software\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName") + L" " +
      version.szCSDVersion;
  EXPECT_FALSE(os.empty());
  const std::string expected = "REQUESTTYPE=IN_SendUserInstallFailedReason&UNINSTALLREASONDATA=\xcf\xc2\xd4\xd8\xca\xa7\xb0\xdc a&b=c"
                               "&BROWSER=" + ToServiceCodePage(browser) + "&OS=" + ToServiceCodePage(os) +
                               "&UID=0&TIMESTAMP=" + std::to_string(TickOf(query)) + "&FROMTYPE=CLIENT_PC";
  EXPECT_EQ(query, expected);
  EXPECT_EQ(ReadBrowserVersion(), browser);
  EXPECT_EQ(ReadOsDescription(), os);
}

TEST(RequestEncoder, TypeOutsideTheTableEncodesNothing) {
  EXPECT_TRUE(EncodeRequest(ServiceRequestType::kTimeStamp, L"").empty());
  EXPECT_TRUE(EncodeRequest(static_cast<ServiceRequestType>(9), L"").empty());
}

TEST(RequestEncoder, Md5HexDigestsTheCodePage936Bytes) {
  // printf '\xcf\xc2\xd4\xd8\xca\xa7\xb0\xdc' | md5sum
  EXPECT_EQ(Md5Hex(L"下载失败"), L"d549049dc75cd153ee4fc764fde82bfc");
  EXPECT_EQ(Md5Hex(L""), L"d41d8cd98f00b204e9800998ecf8427e");
}
