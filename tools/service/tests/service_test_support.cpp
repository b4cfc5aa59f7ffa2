#include "service_test_support.h"

#include "build_settings.h"
#include "support/temp_folder.h"

std::string EntryJson(const std::string& appName, const std::string& mainVersion,
                      const std::string& urlPath) {
  return "{\"AppName\":\"" + appName + "\",\"MainVersion\":\"" + mainVersion +
         "\",\"DownloadUrls\":[\"http://127.0.0.1:18080" + urlPath +
         "\"],\"Modules\":[{\"name\":\"libfoo-0123456789abcdef.dll\",\"bytes\":1234,"
         "\"version\":\"1.0.0.2\",\"registerdll\":\"false\"}],"
         "\"InstallPackageNew\":{\"name\":\"TavoraStudent-0123456789abcdef.zip\",\"bytes\":5678}}\n";
}

void WriteRelease(const std::filesystem::path& dir, const std::string& entryJson) {
  std::filesystem::create_directories(dir);
  WriteFileBytes(dir / "entry.json", entryJson);
}

std::string SignedTarget(ServiceRequestType type, const ReportFields& report, int64_t timeStamp,
                         const unsigned char (&key)[kDesKeyBytes], const std::string& salt) {
  std::string query, cipher;
  BuildRequestQuery(type, report, 123456u, query);
  TripleDesOfb(query, key, cipher);
  const std::string requestData = Base64Encode(cipher);
  const std::string timeText = std::to_string(timeStamp);
  return "/cgi-bin/service?RequestData=" + EscapeRequestData(requestData) + "&TimeStamp=" +
         timeText + "&MD5=" + RequestSignature(salt, requestData, timeText);
}

std::string SignedTarget(ServiceRequestType type, const ReportFields& report, int64_t timeStamp) {
  return SignedTarget(type, report, timeStamp, settings::kDesKey, settings::kSignSalt);
}
