// Answers the two service paths: the time request and the signed, encrypted service request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/request_codec.h"
#include "service/release_catalog.h"

// The largest report the installer writes is its install journal's: 20 failure lines of at
// most ~640 bytes (archive name, item number, an item name of up to 260 characters in code page
// 936, the reason), a count line and the machine description, about 14 KiB of query. A report
// query beyond this bound was not written by the installer, and is refused.
constexpr size_t kMaxReportBytes = 32 * 1024;

struct DeskAnswer {
  int status = 200;
  std::string body;       // JSON
  std::string logNote;    // what the log line says about the request
  bool hasReport = false; // a report (type 3 or 4) to append to the reports file
  bool reportRefused = false;  // a report larger than kMaxReportBytes (status 413)
  ServiceRequestType type = ServiceRequestType::kReversed;
  std::string query;      // the decrypted query, code page 936 bytes
};

class CServiceDesk {
 public:
  CServiceDesk(const std::string& salt, const unsigned char (&key)[kDesKeyBytes],
               int64_t maxSkewSeconds, std::vector<Release> releases);

  // {"SCX":{"TimeStamp":now}}
  static std::string TimeStampReply(int64_t now);

  // rawQuery is the URL's query exactly as received (still escaped). now is the clock in
  // seconds. Checks the signature, decrypts the query, checks the time and answers by type.
  DeskAnswer Answer(const std::string& rawQuery, int64_t now) const;

 private:
  std::string m_salt;
  unsigned char m_key[kDesKeyBytes];
  int64_t m_maxSkewSeconds;
  std::vector<Release> m_releases;
};

// A reports-file line (without the line end): UTC time, type and query. The query is shown
// in UTF-8 when it is valid code page 936; otherwise bytes beyond ASCII appear as \xNN. Line
// breaks inside it appear as \r and \n, so every report is one line.
std::string ReportLine(int64_t now, ServiceRequestType type, const std::string& query);
