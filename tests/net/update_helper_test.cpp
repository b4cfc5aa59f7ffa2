#include "net/update_helper.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "build_settings.h"
#include "net/comm_service.h"
#include "support/dialog_dismisser.h"
#include "support/scripted_http_server.h"

namespace {

using Reply = ScriptedHttpServer::Reply;

const char kListReply[] =
    "{\"appupdatelist\":["
    "{\"AppName\":\"TavoraTeacher\",\"MainVersion\":\"9,0,0,0\",\"DownloadUrls\":[\"http://t/\"]},"
    "{\"APPNAME\":\"tavorastudent\",\"MAINVERSION\":\"1,2,0,0\","
    "\"DownloadUrls\":[\"http://127.0.0.1:1/first\",\"http://127.0.0.1:2/second/\"],"
    "\"Modules\":[{\"name\":\"libfoo-0123456789abcdef.dll\",\"bytes\":1234,\"version\":\"1.0.0.2\"}],"
    "\"InstallPackageNew\":{\"name\":\"TavoraStudent-0123456789abcdef.zip\",\"bytes\":5678}},"
    "{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"5,0,0,0\",\"DownloadUrls\":[\"http://late/\"]}"
    "]}";

std::string Field(const std::string& target, const std::string& name) {
  const size_t start = target.find(name + "=");
  if (start == std::string::npos) return std::string();
  const size_t valueStart = start + name.size() + 1;
  const size_t end = target.find('&', valueStart);
  return target.substr(valueStart, end == std::string::npos ? std::string::npos : end - valueStart);
}

// The request as the service reads it: the unescaped base64 text, the time and the signature.
struct SignedRequest {
  std::string requestData, timeStamp, md5, query;
};

SignedRequest ReadSignedRequest(const std::string& target) {
  SignedRequest request;
  EXPECT_EQ(target.rfind("/cgi-bin/service?RequestData=", 0), 0u) << target;
  EXPECT_TRUE(UnescapeRequestData(Field(target, "RequestData"), request.requestData));
  request.timeStamp = Field(target, "TimeStamp");
  request.md5 = Field(target, "MD5");
  std::string cipher;
  EXPECT_TRUE(Base64Decode(request.requestData, cipher));
  EXPECT_TRUE(TripleDesOfb(cipher, settings::kDesKey, request.query));
  return request;
}

class UpdateHelper : public ::testing::Test {
 protected:
  void Use(ScriptedHttpServer& server) { helper.SetServiceHosts(server.Host(), server.Host()); }

  CUpdateHelperEx helper;
};

}  // namespace

TEST_F(UpdateHelper, TimeSyncStoresTheServiceClockAndTheTick) {
  ScriptedHttpServer server({Reply::Json(200, "{\"SCX\":{\"TimeStamp\":1700000000}}")});
  Use(server);
  const uint32_t before = GetTickCount();
  helper.SyncServerTime();
  const uint32_t after = GetTickCount();
  EXPECT_EQ(server.Targets(), (std::vector<std::string>{"/cgi-bin/timestamp/"}));
  EXPECT_EQ(helper.m_serverTime, 1700000000);
  EXPECT_GE(helper.m_serverTick, before);
  EXPECT_LE(helper.m_serverTick, after);
  EXPECT_EQ(helper.m_response, L"{\"SCX\":{\"TimeStamp\":1700000000}}");
  EXPECT_GE(helper.ServerNow(), 1700000000);
  EXPECT_LE(helper.ServerNow(), 1700000002);
}

TEST_F(UpdateHelper, TimeStampZeroClearsTheClockAndKeepsTheTick) {
  ScriptedHttpServer server({Reply::Json(200, "{\"SCX\":{\"TimeStamp\":0}}")});
  Use(server);
  helper.m_serverTime = 5;
  helper.m_serverTick = 77;
  std::wstring reply;
  EXPECT_TRUE(helper.SendRequest(reply, ServiceRequestType::kTimeStamp, L"", false));
  EXPECT_EQ(helper.m_serverTime, 0);
  EXPECT_EQ(helper.m_serverTick, 77u);
}

TEST_F(UpdateHelper, ReplyIsCutToItsOutermostBraces) {
  ScriptedHttpServer server({Reply::Json(200, "callback( {\"a\":{\"b\":\"下\"}} );\n")});
  Use(server);
  std::wstring reply;
  EXPECT_TRUE(helper.SendRequest(reply, ServiceRequestType::kTimeStamp, L"", false));
  EXPECT_EQ(reply, L"{\"a\":{\"b\":\"下\"}}");
}

TEST_F(UpdateHelper, ReplyWithoutBracesIsFalseAndKeptWhole) {
  ScriptedHttpServer server({Reply::Json(500, "<html>Internal error</html>")});
  Use(server);
  std::wstring reply = L"old";
  EXPECT_FALSE(helper.SendRequest(reply, ServiceRequestType::kUpdateVersionData, L"", false));
  EXPECT_EQ(reply, L"<html>Internal error</html>");
}

TEST_F(UpdateHelper, SignedRequestCarriesTheServerTimeAndItsSignature) {
  ScriptedHttpServer server({Reply::Json(200, "{\"Result\":\"OK\"}")});
  Use(server);
  helper.m_serverTime = 1700000000;
  helper.m_serverTick = GetTickCount();
  std::wstring reply;
  EXPECT_TRUE(helper.SendRequest(reply, ServiceRequestType::kUpdateVersionData, L"", false));
  const std::vector<std::string> targets = server.Targets();
  ASSERT_EQ(targets.size(), 1u);
  const std::string& target = targets[0];
  // Exactly three parameters, in this order.
  const size_t data = target.find("?RequestData="), time = target.find("&TimeStamp="), md5 = target.find("&MD5=");
  ASSERT_NE(md5, std::string::npos) << target;
  EXPECT_LT(data, time);
  EXPECT_LT(time, md5);
  EXPECT_EQ(std::count(target.begin(), target.end(), '&'), 2) << target;
  // Base64's own characters travel escaped.
  EXPECT_EQ(Field(target, "RequestData").find_first_of("+/="), std::string::npos);

  const SignedRequest request = ReadSignedRequest(target);
  EXPECT_TRUE(request.timeStamp == "1700000000" || request.timeStamp == "1700000001") << request.timeStamp;
  EXPECT_EQ(request.md5, Md5HexOfBytes(settings::kSignSalt + request.requestData + request.timeStamp));
  EXPECT_EQ(request.query.rfind("REQUESTTYPE=IN_UpdateVersionData&TIMESTAMP=", 0), 0u) << request.query;
  EXPECT_EQ(reply, L"{\"Result\":\"OK\"}");
}

TEST_F(UpdateHelper, RefusedTimeIsRepeatedOnceWithTheNewClock) {
  ScriptedHttpServer server({Reply::Json(200, "{\"SCX\":{\"TimeStamp\":1700000000}}"),
                             Reply::Json(200, "{\"SCX\":{\"TimeStamp\":1800000000}}"),
                             Reply::Json(200, "{\"SCX\":{\"TimeStamp\":1900000000}}")});
  Use(server);
  std::wstring reply;
  EXPECT_TRUE(helper.SendRequest(reply, ServiceRequestType::kUserInstallFailedReason, L"why", false));
  const std::vector<std::string> targets = server.Targets();
  ASSERT_EQ(targets.size(), 2u);
  const SignedRequest first = ReadSignedRequest(targets[0]);
  const SignedRequest second = ReadSignedRequest(targets[1]);
  EXPECT_NE(first.timeStamp, second.timeStamp);
  EXPECT_TRUE(second.timeStamp == "1700000000" || second.timeStamp == "1700000001") << second.timeStamp;
  EXPECT_NE(first.md5, second.md5);
  EXPECT_EQ(second.md5, Md5HexOfBytes(settings::kSignSalt + second.requestData + second.timeStamp));
  EXPECT_NE(second.query.find("&UNINSTALLREASONDATA=why&"), std::string::npos);
  // The repeat's answer is taken as it is, and its clock is kept.
  EXPECT_EQ(reply, L"{\"SCX\":{\"TimeStamp\":1800000000}}");
  EXPECT_EQ(helper.m_serverTime, 1800000000);
}

TEST_F(UpdateHelper, UpdateListArrivesAfterOneRefusedTime) {
  ScriptedHttpServer server(
      {Reply::Json(200, "{\"SCX\":{\"TimeStamp\":1700000000}}"), Reply::Json(200, kListReply)});
  Use(server);
  EXPECT_TRUE(helper.FetchUpdateList(L"TavoraStudent"));
  EXPECT_EQ(server.Targets().size(), 2u);
  EXPECT_EQ(helper.m_mainVersion, L"1,2,0,0");
}

TEST_F(UpdateHelper, UpdateListEntryIsTakenOver) {
  ScriptedHttpServer server({Reply::Json(200, std::string("\xef\xbb\xbf") + "  " + kListReply + "\r\n")});
  Use(server);
  ASSERT_TRUE(helper.FetchUpdateList(L"TavoraStudent"));
  EXPECT_EQ(helper.m_mainVersion, L"1,2,0,0");
  // The last URL wins; it already ends in "/".
  EXPECT_EQ(helper.m_downloadBaseUrl, L"http://127.0.0.1:2/second/");
  // m_response is now the chosen entry alone, complete.
  EXPECT_EQ(helper.m_response.front(), L'{');
  EXPECT_NE(helper.m_response.find(L"TavoraStudent-0123456789abcdef.zip"), std::wstring::npos);
  EXPECT_NE(helper.m_response.find(L"libfoo-0123456789abcdef.dll"), std::wstring::npos);
  EXPECT_EQ(helper.m_response.find(L"TavoraTeacher"), std::wstring::npos);
  EXPECT_EQ(helper.m_response.find(L"5,0,0,0"), std::wstring::npos);
}

TEST_F(UpdateHelper, SingleUrlGetsASlashAppended) {
  ScriptedHttpServer server({Reply::Json(200,
                                         "{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1,0,0,0\","
                                         "\"DownloadUrls\":[\"http://127.0.0.1:18080/releases/1.0.0.0\"]}]}")});
  Use(server);
  ASSERT_TRUE(helper.FetchUpdateList(L"TavoraStudent"));
  EXPECT_EQ(helper.m_downloadBaseUrl, L"http://127.0.0.1:18080/releases/1.0.0.0/");
}

TEST_F(UpdateHelper, ProductWithAnExtraCharacterIsNotFound) {
  ScriptedHttpServer server({Reply::Json(200, kListReply)});
  Use(server);
  EXPECT_FALSE(helper.FetchUpdateList(L"TavoraStudentX"));
  EXPECT_TRUE(helper.m_mainVersion.empty());
  // The full reply stays.
  EXPECT_NE(helper.m_response.find(L"TavoraTeacher"), std::wstring::npos);
}

TEST_F(UpdateHelper, UnusableUpdateListsAreFalse) {
  const char* replies[] = {
      "{not json at all}",
      "{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"DownloadUrls\":[\"http://h/\"]}]}",
      "{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\",\"MainVersion\":\"1\",\"DownloadUrls\":[]}]}",
      "{\"AppUpdateList\":[{\"MainVersion\":\"1\",\"DownloadUrls\":[\"http://h/\"]}]}",
  };
  for (const char* body : replies) {
    ScriptedHttpServer server({Reply::Json(200, body)});
    CUpdateHelperEx fresh;
    fresh.SetServiceHosts(server.Host(), server.Host());
    EXPECT_FALSE(fresh.FetchUpdateList(L"TavoraStudent")) << body;
    EXPECT_TRUE(fresh.m_downloadBaseUrl.empty());
  }
}

TEST_F(UpdateHelper, UnreachableServiceIsFalseAndLeavesTheReply) {
  const std::wstring host = L"127.0.0.1:" + std::to_wstring(UnusedLocalPort());
  helper.SetServiceHosts(host, host);
  std::wstring reply = L"unchanged";
  EXPECT_FALSE(helper.SendRequest(reply, ServiceRequestType::kTimeStamp, L"", false));
  EXPECT_FALSE(helper.SendRequest(reply, ServiceRequestType::kUpdateVersionData, L"", false));
  EXPECT_EQ(reply, L"unchanged");
  EXPECT_FALSE(helper.FetchUpdateList(L"TavoraStudent"));
}

TEST_F(UpdateHelper, TypeOutsideTheTableSendsNothing) {
  ScriptedHttpServer server({Reply::Json(200, "{}")});
  Use(server);
  std::wstring reply;
  EXPECT_FALSE(helper.SendRequest(reply, static_cast<ServiceRequestType>(42), L"", false));
  EXPECT_TRUE(server.Targets().empty());
}

TEST_F(UpdateHelper, ServerNowCountsTicksAcrossTheWrap) {
  helper.m_serverTime = 1000;
  // 8096 ms ago; shortly after system start this lies before the wrap of the tick counter.
  helper.m_serverTick = GetTickCount() - 8096u;
  const int32_t now = helper.ServerNow();
  EXPECT_GE(now, 1008);
  EXPECT_LE(now, 1009);
}

TEST(CommService, BodyIsReadWhateverTheStatus) {
  ScriptedHttpServer server({Reply::Json(404, "{\"Error\":\"没有\"}")});
  CCommService service;
  ASSERT_TRUE(service.FetchUrl(L"http://" + server.Host() + L"/missing"));
  std::wstring text;
  EXPECT_TRUE(service.ReadText(text));
  EXPECT_EQ(text, L"{\"Error\":\"没有\"}");
}

TEST(CommService, UnreachableUrlGivesTheErrorText) {
  CCommService service;
  EXPECT_FALSE(service.FetchUrl(L"http://127.0.0.1:" + std::to_wstring(UnusedLocalPort()) + L"/"));
  EXPECT_EQ(service.ErrorText(), L"InternetOpenUrl return hInternetFile NULL.");
  std::wstring text = L"unchanged";
  EXPECT_TRUE(service.ReadText(text));
  EXPECT_EQ(text, L"unchanged");
}

TEST(CommService, RefusedCredentialsAreAskedForOnceAndThenTheBodyIsTheReply) {
  ScriptedHttpServer server(
      {Reply::Json(401, "{\"Error\":\"login\"}", "WWW-Authenticate: Basic realm=\"tavora\"\r\n")});
  DialogDismisser dismisser;  // the credentials dialog waits for a user; closing it cancels
  CCommService service;
  ASSERT_TRUE(service.FetchUrl(L"http://" + server.Host() + L"/cgi-bin/timestamp/"));
  std::wstring text;
  service.ReadText(text);
  EXPECT_EQ(text, L"{\"Error\":\"login\"}");
  EXPECT_EQ(server.Targets().size(), 1u);
  EXPECT_EQ(dismisser.Seen().size(), 1u);
}
