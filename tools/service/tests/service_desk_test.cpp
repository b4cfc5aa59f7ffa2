#include "service/service_desk.h"

#include <gtest/gtest.h>

#include "build_settings.h"
#include "service_test_support.h"

namespace {

constexpr int64_t kNow = 1700000000;

Release SampleRelease() {
  Release release;
  release.appName = "TavoraStudent";
  release.entryJson = "{\"AppName\":\"TavoraStudent\"}";
  release.urlPath = "/releases/1.0.0.0/";
  return release;
}

CServiceDesk BuildDesk() {
  return CServiceDesk(settings::kSignSalt, settings::kDesKey, 300, {SampleRelease()});
}

std::string QueryOf(const std::string& target) { return target.substr(target.find('?') + 1); }

}  // namespace

TEST(ServiceDesk, TimeWithinTheToleranceIsServed) {
  const CServiceDesk desk = BuildDesk();
  for (int64_t offset : {-300, 0, 300}) {
    const DeskAnswer answer =
        desk.Answer(QueryOf(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, kNow + offset)), kNow);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, "{\"AppUpdateList\":[{\"AppName\":\"TavoraStudent\"}]}");
  }
}

TEST(ServiceDesk, TimeBeyondTheToleranceGetsTheClock) {
  const CServiceDesk desk = BuildDesk();
  for (int64_t offset : {int64_t{-301}, int64_t{301}, -kNow}) {
    const DeskAnswer answer =
        desk.Answer(QueryOf(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, kNow + offset)), kNow);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, "{\"SCX\":{\"TimeStamp\":1700000000}}");
    EXPECT_FALSE(answer.hasReport);
  }
}

TEST(ServiceDesk, ReportIsHandedOverDecrypted) {
  const CServiceDesk desk = BuildDesk();
  const DeskAnswer answer = desk.Answer(
      QueryOf(SignedTarget(ServiceRequestType::kUserInstallFailedReason, {"why", "8.0", "Win"}, kNow)), kNow);
  EXPECT_EQ(answer.status, 200);
  ASSERT_TRUE(answer.hasReport);
  EXPECT_EQ(answer.type, ServiceRequestType::kUserInstallFailedReason);
  EXPECT_EQ(answer.query,
            "REQUESTTYPE=IN_SendUserInstallFailedReason&UNINSTALLREASONDATA=why&BROWSER=8.0&OS=Win"
            "&UID=0&TIMESTAMP=123456&FROMTYPE=CLIENT_PC");
}

TEST(ServiceDesk, ReportUpToTheBoundIsTakenOneByteMoreIsRefused) {
  const CServiceDesk desk = BuildDesk();
  std::string query;
  BuildRequestQuery(ServiceRequestType::kUserInstallFailedReason, {"", "8.0", "Win"}, 123456u, query);
  const std::string reasonAtTheBound(kMaxReportBytes - query.size(), 'x');

  const DeskAnswer taken = desk.Answer(
      QueryOf(SignedTarget(ServiceRequestType::kUserInstallFailedReason, {reasonAtTheBound, "8.0", "Win"}, kNow)), kNow);
  EXPECT_EQ(taken.status, 200);
  EXPECT_TRUE(taken.hasReport);
  EXPECT_EQ(taken.query.size(), kMaxReportBytes);

  const DeskAnswer refused = desk.Answer(
      QueryOf(SignedTarget(ServiceRequestType::kUserInstallFailedReason, {reasonAtTheBound + "x", "8.0", "Win"}, kNow)),
      kNow);
  EXPECT_EQ(refused.status, 413);
  EXPECT_FALSE(refused.hasReport);
  EXPECT_TRUE(refused.reportRefused);
  EXPECT_EQ(refused.body, "{\"Error\":\"report too large\"}");
  EXPECT_EQ(refused.logNote, "type 4 IN_SendUserInstallFailedReason: refused: report of 32769 bytes, more than 32768");
}

TEST(ServiceDesk, WrongSaltIsABadSignature) {
  const CServiceDesk desk = BuildDesk();
  const DeskAnswer answer = desk.Answer(
      QueryOf(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, kNow, settings::kDesKey, "WrongSalt0000:")),
      kNow);
  EXPECT_EQ(answer.status, 403);
  EXPECT_NE(answer.body.find("bad signature"), std::string::npos);
  EXPECT_NE(answer.logNote.find("bad signature"), std::string::npos);
}

TEST(ServiceDesk, WrongKeyIsUndecryptable) {
  const unsigned char otherKey[kDesKeyBytes] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                                                13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
  const CServiceDesk desk = BuildDesk();
  const DeskAnswer answer = desk.Answer(
      QueryOf(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, kNow, otherKey, settings::kSignSalt)), kNow);
  EXPECT_EQ(answer.status, 400);
  EXPECT_NE(answer.body.find("undecryptable"), std::string::npos);
  EXPECT_NE(answer.logNote.find("does not decrypt"), std::string::npos);
}

TEST(ServiceDesk, IncompleteOrBrokenQueriesAreRefused) {
  const CServiceDesk desk = BuildDesk();
  const std::string good = QueryOf(SignedTarget(ServiceRequestType::kUpdateVersionData, {}, kNow));
  EXPECT_EQ(desk.Answer("", kNow).status, 400);
  EXPECT_EQ(desk.Answer(good.substr(0, good.find("&MD5=")), kNow).status, 400);
  EXPECT_EQ(desk.Answer("RequestData=%zz&TimeStamp=1&MD5=00", kNow).status, 400);
  // Signed, but the data is not base64.
  const std::string notBase64 = "abc";
  const std::string signature = RequestSignature(settings::kSignSalt, notBase64, "1700000000");
  EXPECT_EQ(desk.Answer("RequestData=abc&TimeStamp=1700000000&MD5=" + signature, kNow).status, 400);
}

TEST(ServiceDesk, TypesWithoutAServiceAreRefused) {
  const CServiceDesk desk = BuildDesk();
  const DeskAnswer answer =
      desk.Answer(QueryOf(SignedTarget(ServiceRequestType::kClientNewFeaturesJpg, {}, kNow)), kNow);
  EXPECT_EQ(answer.status, 400);
  EXPECT_FALSE(answer.hasReport);
}

TEST(ServiceDesk, ReportLineIsOneUtf8LineWithTimeAndType) {
  EXPECT_EQ(ReportLine(kNow, ServiceRequestType::kUserInstallFailedReason,
                       "REASON=\xcf\xc2\xd4\xd8\xca\xa7\xb0\xdc\r\nline two"),
            "2023-11-14T22:13:20Z type=4 REASON=下载失败\\r\\nline two");
  // Not code page 936: the bytes are shown, not guessed.
  EXPECT_EQ(ReportLine(kNow, ServiceRequestType::kUserUninstallReason, "X=\x81"),
            "2023-11-14T22:13:20Z type=3 X=\\x81");
}
