#include "net/request_codec.h"

#include "net/crypto_primitives.h"

namespace {

struct RequestTypeName {
  ServiceRequestType type;
  const char* text;
};

constexpr RequestTypeName kRequestTypeNames[] = {
    {ServiceRequestType::kReversed, "Reversed"},
    {ServiceRequestType::kUpdateVersionData, "IN_UpdateVersionData"},
    {ServiceRequestType::kClientNewFeaturesJpg, "GetClientNewFeaturesJpg"},
    {ServiceRequestType::kUserUninstallReason, "IN_SendUserUninstallReason"},
    {ServiceRequestType::kUserInstallFailedReason, "IN_SendUserInstallFailedReason"},
    {ServiceRequestType::kGetTimeStamp, "GetTimeStamp"},
};

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr char kLowerHex[] = "0123456789abcdef";

// Only ASCII counts: what the locale calls a letter has no place unescaped in a URL.
bool IsAsciiAlnum(uint32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiSpace(uint32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void AppendEscapedByte(std::string& out, unsigned char byte) {
  out += '%';
  out += kUpperHex[byte >> 4];
  out += kUpperHex[byte & 0x0F];
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

const char* RequestTypeText(ServiceRequestType type) {
  for (const RequestTypeName& name : kRequestTypeNames) {
    if (name.type == type) return name.text;
  }
  return nullptr;
}

bool RequestTypeFromText(const std::string& text, ServiceRequestType& type) {
  for (const RequestTypeName& name : kRequestTypeNames) {
    if (text == name.text) {
      type = name.type;
      return true;
    }
  }
  return false;
}

bool IsReportType(ServiceRequestType type) {
  return type == ServiceRequestType::kUserUninstallReason ||
         type == ServiceRequestType::kUserInstallFailedReason;
}

bool BuildRequestQuery(ServiceRequestType type, const ReportFields& report, uint32_t tickCount,
                       std::string& query) {
  const char* typeText = RequestTypeText(type);
  if (typeText == nullptr) return false;
  query = "REQUESTTYPE=";
  query += typeText;
  if (IsReportType(type)) {
    query += "&UNINSTALLREASONDATA=" + report.reason;
    query += "&BROWSER=" + report.browser;
    query += "&OS=" + report.os;
    query += "&UID=0";
  }
  query += "&TIMESTAMP=" + std::to_string(tickCount);
  query += "&FROMTYPE=CLIENT_PC";
  return true;
}

bool RequestTypeOfQuery(const std::string& query, ServiceRequestType& type) {
  static const std::string kPrefix = "REQUESTTYPE=";
  if (query.compare(0, kPrefix.size(), kPrefix) != 0) return false;
  const size_t end = query.find('&', kPrefix.size());
  const std::string text =
      query.substr(kPrefix.size(), end == std::string::npos ? std::string::npos : end - kPrefix.size());
  return RequestTypeFromText(text, type);
}

bool TripleDesOfb(const std::string& input, const unsigned char (&key)[kDesKeyBytes],
                  std::string& output) {
  static_assert(kDesKeyBytes == kTripleDesKeyBytes, "the service key is one triple DES key");
  // The IV is a copy of the first of the three DES keys.
  unsigned char iv[kDesBlockBytes];
  for (size_t i = 0; i < kDesBlockBytes; ++i) iv[i] = key[i];
  std::string result(input.size(), '\0');
  if (!TripleDesOfbCipher(key, iv, input.data(), input.size(), &result[0])) return false;
  output.swap(result);
  return true;
}

std::string Base64Encode(const std::string& bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t group = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
    text += kBase64Alphabet[(group >> 18) & 0x3F];
    text += kBase64Alphabet[(group >> 12) & 0x3F];
    text += kBase64Alphabet[(group >> 6) & 0x3F];
    text += kBase64Alphabet[group & 0x3F];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    text += kBase64Alphabet[(group >> 18) & 0x3F];
    text += kBase64Alphabet[(group >> 12) & 0x3F];
    text += rest == 2 ? kBase64Alphabet[(group >> 6) & 0x3F] : '=';
    text += '=';
  }
  return text;
}

bool Base64Decode(const std::string& text, std::string& bytes) {
  if (text.size() % 4 != 0) return false;
  std::string result;
  result.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int values[4];
    int padding = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text[i + k];
      if (c == '=') {
        // Padding only at the end of the last group, at most two, and only after data.
        if (!last || k < 2) return false;
        ++padding;
        values[k] = 0;
        continue;
      }
      if (padding > 0) return false;
      values[k] = Base64Value(c);
      if (values[k] < 0) return false;
    }
    const uint32_t group = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3];
    result += static_cast<char>((group >> 16) & 0xFF);
    if (padding < 2) result += static_cast<char>((group >> 8) & 0xFF);
    if (padding < 1) result += static_cast<char>(group & 0xFF);
  }
  bytes.swap(result);
  return true;
}

std::string EscapeRequestData(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (IsAsciiAlnum(byte)) {
      out += c;
    } else if (IsAsciiSpace(byte)) {
      out += '+';
    } else {
      AppendEscapedByte(out, byte);
    }
  }
  return out;
}

std::wstring EscapeRequestData(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (IsAsciiAlnum(c)) {
      out += static_cast<char>(c);
      continue;
    }
    if (IsAsciiSpace(c)) {
      out += '+';
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      const uint32_t low = static_cast<uint32_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;  // a lone surrogate
    std::string utf8;
    AppendUtf8(utf8, c);
    for (const char byte : utf8) AppendEscapedByte(out, static_cast<unsigned char>(byte));
  }
  return std::wstring(out.begin(), out.end());
}

bool UnescapeRequestData(const std::string& escaped, std::string& text) {
  std::string out;
  out.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    const char c = escaped[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%') {
      if (i + 2 >= escaped.size()) return false;
      const int high = HexValue(escaped[i + 1]);
      const int low = HexValue(escaped[i + 2]);
      if (high < 0 || low < 0) return false;
      out += static_cast<char>((high << 4) | low);
      i += 2;
    } else {
      out += c;
    }
  }
  text.swap(out);
  return true;
}

std::string Md5HexOfBytes(const std::string& bytes) {
  Md5Hasher hasher;
  hasher.Update(bytes.data(), bytes.size());
  unsigned char digest[kMd5DigestBytes];
  if (!hasher.Finish(digest)) return std::string();
  std::string hex;
  hex.reserve(32);
  for (const unsigned char byte : digest) {
    hex += kLowerHex[byte >> 4];
    hex += kLowerHex[byte & 0x0F];
  }
  return hex;
}

std::string RequestSignature(const std::string& salt, const std::string& requestData,
                             const std::string& timeStampText) {
  return Md5HexOfBytes(salt + requestData + timeStampText);
}

bool CheckRequestSignature(const std::string& salt, const std::string& requestData,
                           const std::string& timeStampText, const std::string& signature) {
  const std::string expected = RequestSignature(salt, requestData, timeStampText);
  if (expected.empty() || signature.size() != expected.size()) return false;
  unsigned difference = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    const int value = HexValue(signature[i]);
    if (value < 0) return false;
    difference |= static_cast<unsigned>(value ^ HexValue(expected[i]));
  }
  return difference == 0;
}
