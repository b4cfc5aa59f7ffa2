// The tavora-service program as a release engineer and the installer meet it: a real process
// on a free port of 127.0.0.1.
#include <signal.h>

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <gtest/gtest.h>

#include <ctime>
#include <sstream>

#include "build_settings.h"
#include "service_fixture.h"
#include "service_test_support.h"
#include "support/temp_folder.h"

namespace pt = boost::property_tree;

namespace {

pt::ptree ParseJson(const std::string& text) {
  pt::ptree tree;
  std::istringstream stream(text);
  pt::read_json(stream, tree);
  return tree;
}

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

class TavoraService : public ServiceFixture {};

}  // namespace

TEST_F(TavoraService, TimePathAnswersTheClock) {
  StartService();
  const int64_t before = Now();
  auto result = Get("/cgi-bin/timestamp/");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  const int64_t stamp = ParseJson(result->body).get<int64_t>("SCX.TimeStamp");
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, Now());
  EXPECT_TRUE(service.WaitForOutput("GET /cgi-bin/timestamp/ 200", std::chrono::seconds(5)));
}

TEST_F(TavoraService, SignedUpdateListRequestGetsThePublishedEntriesInOrder) {
  StartService();
  auto result = Get(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, Now()));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  const pt::ptree reply = ParseJson(result->body);
  std::vector<std::string> names, versions;
  for (const auto& entry : reply.get_child("AppUpdateList")) {
    names.push_back(entry.second.get<std::string>("AppName"));
    versions.push_back(entry.second.get<std::string>("MainVersion"));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"TavoraStudent", "TavoraTeacher"}));
  EXPECT_EQ(versions, (std::vector<std::string>{"1,0,0,0", "2,0,0,0"}));
  EXPECT_NE(result->body.find("\"InstallPackageNew\":{\"name\":\"TavoraStudent-0123456789abcdef.zip\""),
            std::string::npos);
  EXPECT_TRUE(service.WaitForOutput("GET /cgi-bin/service 200 type 1 IN_UpdateVersionData",
                                    std::chrono::seconds(5)))
      << service.Output();
}

TEST_F(TavoraService, StaleTimeGetsTheClockSoTheClientRepeats) {
  StartService();
  auto result = Get(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, 12345));
  ASSERT_TRUE(result);
  const int64_t stamp = ParseJson(result->body).get<int64_t>("SCX.TimeStamp");
  EXPECT_NEAR(static_cast<double>(stamp), static_cast<double>(Now()), 5.0);
  EXPECT_EQ(result->body.find("AppUpdateList"), std::string::npos);
}

TEST_F(TavoraService, BadSignatureGetsAnErrorReplyAndALogLine) {
  StartService();
  std::string target = SignedTarget(ServiceRequestType::kUpdateVersionData, {}, Now());
  target.back() = target.back() == '0' ? '1' : '0';
  auto result = Get(target);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 403);
  EXPECT_EQ(result->body, "{\"Error\":\"bad signature\"}");
  EXPECT_TRUE(service.WaitForOutput("403 refused: bad signature", std::chrono::seconds(5)))
      << service.Output();
}

TEST_F(TavoraService, QueryEncryptedWithAnotherKeyGetsAnErrorReplyAndALogLine) {
  StartService();
  const unsigned char otherKey[kDesKeyBytes] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 9, 8,
                                                7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4};
  auto result = Get(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, Now(), otherKey,
                                 settings::kSignSalt));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 400);
  EXPECT_EQ(result->body, "{\"Error\":\"undecryptable request\"}");
  EXPECT_TRUE(service.WaitForOutput("400 refused: RequestData does not decrypt", std::chrono::seconds(5)))
      << service.Output();
}

TEST_F(TavoraService, ReportsAreAppendedOneLineEach) {
  StartService();
  auto first = Get(SignedTarget(ServiceRequestType::kUserInstallFailedReason,
                                {"download failed\r\nsecond line", "11.0", "Windows 7 "}, Now()));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->status, 200);
  auto second = Get(SignedTarget(ServiceRequestType::kUserInstallFailedReason,
                                 {"\xcf\xc2\xd4\xd8\xca\xa7\xb0\xdc", "", ""}, Now()));
  ASSERT_TRUE(second);
  const std::string reports = ReadFileBytes(temp / "reports.txt");
  std::vector<std::string> lines;
  std::istringstream stream(reports);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u) << reports;
  EXPECT_NE(lines[0].find(" type=4 REQUESTTYPE=IN_SendUserInstallFailedReason&UNINSTALLREASONDATA="
                          "download failed\\r\\nsecond line&BROWSER=11.0&OS=Windows 7 &UID=0"),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find("UNINSTALLREASONDATA=下载失败&BROWSER=&OS=&UID=0"), std::string::npos) << lines[1];
}

TEST_F(TavoraService, KeyAndSaltCanBeOverridden) {
  const char* keyHex = "0123456789abcdeffedcba987654321089abcdef01234567";
  const unsigned char key[kDesKeyBytes] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                           0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10,
                                           0x89, 0xab, 0xcd, 0xef, 0x01, 0x23, 0x45, 0x67};
  StartService({"--key", keyHex, "--salt", "OtherSalt0001:"});
  auto accepted = Get(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, Now(), key, "OtherSalt0001:"));
  ASSERT_TRUE(accepted);
  EXPECT_EQ(accepted->status, 200);
  EXPECT_NE(accepted->body.find("AppUpdateList"), std::string::npos);
  auto refused = Get(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, Now()));
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 403);
}

TEST_F(TavoraService, ReleaseFilesAreServedAtTheirPublishedPathWithContentLength) {
  const std::string bytes = PatternBytes(300000);
  WriteFileBytes(temp / "student" / "libfoo-0123456789abcdef.dll.gz", bytes);
  WriteFileBytes(temp / "teacher" / "other-0011223344556677.exe.gz", "teacher file");
  StartService();

  const std::string response = RawGet(service.Port(), "/releases/1.0.0.0/libfoo-0123456789abcdef.dll.gz");
  const size_t headerEnd = response.find("\r\n\r\n");
  ASSERT_NE(headerEnd, std::string::npos) << response.substr(0, 200);
  const std::string header = response.substr(0, headerEnd);
  // "bytes=0-", which the installer sends on every download, is the whole file.
  EXPECT_EQ(header.substr(0, 15), "HTTP/1.1 200 OK") << header;
  EXPECT_NE(header.find("\r\nContent-Length: 300000"), std::string::npos) << header;
  EXPECT_EQ(header.find("Content-Range"), std::string::npos) << header;
  EXPECT_TRUE(response.substr(headerEnd + 4) == bytes);

  auto teacher = Get("/teacher/2.0.0.0/other-0011223344556677.exe.gz");
  ASSERT_TRUE(teacher);
  EXPECT_EQ(teacher->status, 200);
  EXPECT_EQ(teacher->body, "teacher file");
  auto wrongRelease = Get("/releases/1.0.0.0/other-0011223344556677.exe.gz");
  ASSERT_TRUE(wrongRelease);
  EXPECT_EQ(wrongRelease->status, 404);
}

TEST_F(TavoraService, StopsCleanlyOnSigterm) {
  StartService();
  EXPECT_EQ(service.Stop(SIGTERM), 0);
  EXPECT_NE(service.Output().find("tavora-service: stopped"), std::string::npos);
}

TEST_F(TavoraService, StopsCleanlyOnSigintWhileAClientIsConnected) {
  StartService();
  auto result = Get("/cgi-bin/timestamp/");  // the client keeps its connection open
  ASSERT_TRUE(result);
  EXPECT_EQ(service.Stop(SIGINT), 0);
  EXPECT_NE(service.Output().find("tavora-service: stopped"), std::string::npos);
}

TEST_F(TavoraService, BadArgumentsEndWithAMessageAndNonZeroExit) {
  std::string errors;
  EXPECT_EQ(RunServiceToEnd({"--listen", "127.0.0.1:0"}, errors), 2);
  EXPECT_NE(errors.find("at least one --release DIR is needed"), std::string::npos) << errors;
  EXPECT_NE(errors.find("usage: tavora-service"), std::string::npos) << errors;

  EXPECT_EQ(RunServiceToEnd({"--release", (temp / "nowhere").string(), "--listen", "127.0.0.1:0"}, errors), 2);
  EXPECT_NE(errors.find("does not exist"), std::string::npos) << errors;

  WriteRelease(temp / "broken", "{\"AppName\":");
  EXPECT_EQ(RunServiceToEnd({"--release", (temp / "broken").string(), "--listen", "127.0.0.1:0"}, errors), 2);
  EXPECT_NE(errors.find("is not JSON"), std::string::npos) << errors;
}

TEST_F(TavoraService, PortInUseEndsWithAMessage) {
  StartService();
  std::string errors;
  EXPECT_EQ(RunServiceToEnd({"--release", (temp / "student").string(), "--listen",
                             "127.0.0.1:" + std::to_string(service.Port())},
                            errors),
            1);
  EXPECT_NE(errors.find("cannot listen on 127.0.0.1:"), std::string::npos) << errors;
}
