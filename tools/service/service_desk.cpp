#include "service/service_desk.h"

#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace {

std::string ErrorReply(const std::string& message) {
  return "{\"Error\":\"" + message + "\"}";
}

// The first value of name in an escaped query, unescaped.
bool QueryParameter(const std::string& rawQuery, const std::string& name, std::string& value) {
  size_t start = 0;
  while (start <= rawQuery.size()) {
    size_t end = rawQuery.find('&', start);
    if (end == std::string::npos) end = rawQuery.size();
    const std::string field = rawQuery.substr(start, end - start);
    const size_t equals = field.find('=');
    if (equals != std::string::npos && field.compare(0, equals, name) == 0 && equals == name.size()) {
      return UnescapeRequestData(field.substr(equals + 1), value);
    }
    start = end + 1;
  }
  return false;
}

bool ParseTimeStamp(const std::string& text, int64_t& value) {
  size_t i = 0;
  bool negative = false;
  if (!text.empty() && text[0] == '-') {
    negative = true;
    i = 1;
  }
  if (i >= text.size() || text.size() - i > 11) return false;
  int64_t result = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    result = result * 10 + (text[i] - '0');
  }
  value = negative ? -result : result;
  return true;
}

struct IconvCloser {
  iconv_t handle;
  ~IconvCloser() {
    if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
  }
};

bool Cp936ToUtf8(const std::string& input, std::string& output) {
  IconvCloser converter{iconv_open("UTF-8", "CP936")};
  if (converter.handle == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(input.size() * 3 + 4, '\0');
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char* out = &result[0];
  size_t outLeft = result.size();
  if (iconv(converter.handle, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) return false;
  result.resize(result.size() - outLeft);
  output.swap(result);
  return true;
}

}  // namespace

CServiceDesk::CServiceDesk(const std::string& salt, const unsigned char (&key)[kDesKeyBytes],
                           int64_t maxSkewSeconds, std::vector<Release> releases)
    : m_salt(salt), m_maxSkewSeconds(maxSkewSeconds), m_releases(std::move(releases)) {
  std::memcpy(m_key, key, kDesKeyBytes);
}

std::string CServiceDesk::TimeStampReply(int64_t now) {
  return "{\"SCX\":{\"TimeStamp\":" + std::to_string(now) + "}}";
}

DeskAnswer CServiceDesk::Answer(const std::string& rawQuery, int64_t now) const {
  DeskAnswer answer;
  std::string requestData, timeStampText, signature;
  if (!QueryParameter(rawQuery, "RequestData", requestData) ||
      !QueryParameter(rawQuery, "TimeStamp", timeStampText) ||
      !QueryParameter(rawQuery, "MD5", signature)) {
    answer.status = 400;
    answer.body = ErrorReply("RequestData, TimeStamp and MD5 are needed");
    answer.logNote = "refused: incomplete or badly escaped query";
    return answer;
  }
  if (!CheckRequestSignature(m_salt, requestData, timeStampText, signature)) {
    answer.status = 403;
    answer.body = ErrorReply("bad signature");
    answer.logNote = "refused: bad signature (MD5=" + signature.substr(0, 64) + ")";
    return answer;
  }
  std::string cipher, query;
  if (!Base64Decode(requestData, cipher) || !TripleDesOfb(cipher, m_key, query) ||
      !RequestTypeOfQuery(query, answer.type)) {
    answer.status = 400;
    answer.body = ErrorReply("undecryptable request");
    answer.logNote = "refused: RequestData does not decrypt to a query";
    return answer;
  }
  if (IsReportType(answer.type) && query.size() > kMaxReportBytes) {
    answer.status = 413;
    answer.reportRefused = true;
    answer.body = ErrorReply("report too large");
    answer.logNote = "type " + std::to_string(static_cast<int>(answer.type)) + " " + RequestTypeText(answer.type) +
                     ": refused: report of " + std::to_string(query.size()) + " bytes, more than " +
                     std::to_string(kMaxReportBytes);
    return answer;
  }
  int64_t timeStamp = 0;
  if (!ParseTimeStamp(timeStampText, timeStamp)) {
    answer.status = 400;
    answer.body = ErrorReply("bad time stamp");
    answer.logNote = "refused: TimeStamp '" + timeStampText.substr(0, 32) + "' is not a number";
    return answer;
  }
  const std::string typeNote =
      "type " + std::to_string(static_cast<int>(answer.type)) + " " + RequestTypeText(answer.type);
  const int64_t skew = timeStamp > now ? timeStamp - now : now - timeStamp;
  if (skew > m_maxSkewSeconds) {
    // The client takes the clock from this reply and repeats the request once.
    answer.body = TimeStampReply(now);
    answer.logNote = typeNote + ": time " + std::to_string(timeStamp) + " is " +
                     std::to_string(skew) + " s off, sent the clock";
    return answer;
  }
  if (answer.type == ServiceRequestType::kUpdateVersionData) {
    answer.body = UpdateListReply(m_releases);
    answer.logNote = typeNote + ": sent " + std::to_string(m_releases.size()) + " entries";
    return answer;
  }
  if (IsReportType(answer.type)) {
    answer.hasReport = true;
    answer.query = query;
    answer.body = "{\"Result\":\"OK\"}";
    answer.logNote = typeNote + ": report received";
    return answer;
  }
  answer.status = 400;
  answer.body = ErrorReply("unsupported request type");
  answer.logNote = typeNote + ": not served";
  return answer;
}

std::string ReportLine(int64_t now, ServiceRequestType type, const std::string& query) {
  char timeText[32] = "";
  const std::time_t seconds = static_cast<std::time_t>(now);
  std::tm utc = {};
  if (gmtime_r(&seconds, &utc) != nullptr) {
    std::strftime(timeText, sizeof(timeText), "%Y-%m-%dT%H:%M:%SZ", &utc);
  }
  std::string text;
  if (!Cp936ToUtf8(query, text)) {
    text.clear();
    for (const char c : query) {
      const unsigned char byte = static_cast<unsigned char>(c);
      if (byte < 0x80) {
        text += c;
      } else {
        char escaped[8];
        std::snprintf(escaped, sizeof(escaped), "\\x%02X", byte);
        text += escaped;
      }
    }
  }
  std::string line = std::string(timeText) + " type=" + std::to_string(static_cast<int>(type)) + " ";
  for (const char c : text) {
    if (c == '\r') {
      line += "\\r";
    } else if (c == '\n') {
      line += "\\n";
    } else {
      line += c;
    }
  }
  return line;
}
