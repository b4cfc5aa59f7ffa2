// The update client under Wine against tavora-service, the reference update service, which
// with-reference-service starts for each test on a free port of 127.0.0.1.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "net/update_helper.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

std::string FileText(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// The service prints a request's line after it has sent the answer: wait for it, bounded.
std::string ServiceLogWith(const std::string& text) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::string log;
  do {
    log = FileText(Environment(L"TAVORA_TEST_SERVICE_LOG"));
    if (log.find(text) != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);
  return log;
}

class ReferenceService : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring port = Environment(L"TAVORA_TEST_SERVICE_PORT");
    ASSERT_FALSE(port.empty()) << "run through with-reference-service";
    const std::wstring host = L"127.0.0.1:" + port;
    helper.SetServiceHosts(host, host);
  }

  CUpdateHelperEx helper;
};

}  // namespace

TEST_F(ReferenceService, TimeSyncTakesTheServiceClock) {
  const int64_t before = static_cast<int64_t>(std::time(nullptr));
  helper.SyncServerTime();
  EXPECT_GE(helper.m_serverTime, before);
  EXPECT_LE(helper.m_serverTime, static_cast<int64_t>(std::time(nullptr)));
  EXPECT_NE(ServiceLogWith("GET /cgi-bin/timestamp/ 200").find("GET /cgi-bin/timestamp/ 200"),
            std::string::npos);
}

TEST_F(ReferenceService, SignedUpdateListRequestIsAcceptedAndItsEntryTakenOver) {
  helper.SyncServerTime();
  ASSERT_TRUE(helper.FetchUpdateList(L"TavoraStudent"));
  EXPECT_EQ(helper.m_mainVersion, L"1,0,0,0");
  EXPECT_EQ(helper.m_downloadBaseUrl, L"http://127.0.0.1:18080/releases/1.0.0.0/");
  EXPECT_NE(helper.m_response.find(L"TavoraStudent-fedcba9876543210.exe"), std::wstring::npos);
  EXPECT_NE(helper.m_response.find(L"TavoraStudent-0123456789abcdef.zip"), std::wstring::npos);
  EXPECT_EQ(helper.m_response.find(L"TavoraTeacher"), std::wstring::npos);
  const std::string log = ServiceLogWith("type 1 IN_UpdateVersionData: sent 2 entries");
  EXPECT_NE(log.find("GET /cgi-bin/service 200 type 1 IN_UpdateVersionData: sent 2 entries"), std::string::npos)
      << log;
  EXPECT_EQ(log.find("sent the clock"), std::string::npos) << log;
  EXPECT_EQ(log.find("refused"), std::string::npos) << log;
}

TEST_F(ReferenceService, UnsyncedClockIsRefusedOnceAndTheRepeatGetsTheList) {
  // Without a sync the request carries the seconds since system start.
  ASSERT_TRUE(helper.FetchUpdateList(L"tavorastudent"));
  EXPECT_EQ(helper.m_mainVersion, L"1,0,0,0");
  EXPECT_NEAR(static_cast<double>(helper.m_serverTime), static_cast<double>(std::time(nullptr)), 5.0);
  const std::string log = ServiceLogWith("sent 2 entries");
  const size_t refused = log.find("sent the clock");
  const size_t served = log.find("sent 2 entries");
  ASSERT_NE(refused, std::string::npos) << log;
  ASSERT_NE(served, std::string::npos) << log;
  EXPECT_LT(refused, served);
  EXPECT_EQ(log.find("sent the clock", refused + 1), std::string::npos) << log;
}

TEST_F(ReferenceService, FailureReportArrivesInTheReportsFile) {
  helper.SyncServerTime();
  std::wstring reply;
  EXPECT_TRUE(helper.SendRequest(reply, ServiceRequestType::kUserInstallFailedReason,
                                 L"下载失败 http://127.0.0.1/a.gz\r\n校验失败", false));
  EXPECT_EQ(reply, L"{\"Result\":\"OK\"}");
  ServiceLogWith("report received");
  const std::vector<std::string> lines = Lines(FileText(Environment(L"TAVORA_TEST_SERVICE_REPORTS")));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(" type=4 REQUESTTYPE=IN_SendUserInstallFailedReason&UNINSTALLREASONDATA="
                          "下载失败 http://127.0.0.1/a.gz\\r\\n校验失败&BROWSER="),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[0].find("&UID=0&TIMESTAMP="), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("&FROMTYPE=CLIENT_PC"), std::string::npos) << lines[0];
}

TEST_F(ReferenceService, OverlongReportFailsCleanlyAndTheNextOneArrives) {
  helper.SyncServerTime();
  std::wstring reply;
  EXPECT_FALSE(helper.SendRequest(reply, ServiceRequestType::kUserInstallFailedReason,
                                  std::wstring(100000, L'x'), false));
  EXPECT_TRUE(helper.SendRequest(reply, ServiceRequestType::kUserInstallFailedReason, L"short", false));
  ServiceLogWith("report received");
  const std::vector<std::string> lines = Lines(FileText(Environment(L"TAVORA_TEST_SERVICE_REPORTS")));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("UNINSTALLREASONDATA=short&"), std::string::npos) << lines[0];
}
