// The wire form of a service request, both ways: the plain query, its triple DES encryption,
// base64, URL escaping and the MD5 signature. The installer encodes; the update service decodes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The request type selects the text after "REQUESTTYPE=". kTimeStamp marks the time request,
// which has no query at all.
enum class ServiceRequestType : int32_t {
  kReversed = 0,
  kUpdateVersionData = 1,
  kClientNewFeaturesJpg = 2,
  kUserUninstallReason = 3,
  kUserInstallFailedReason = 4,
  kGetTimeStamp = 5,
  kTimeStamp = 1000,
};

// "IN_UpdateVersionData" and so on; null for the time request and for values outside the table.
const char* RequestTypeText(ServiceRequestType type);
// The inverse, for the service: false for a text outside the table.
bool RequestTypeFromText(const std::string& text, ServiceRequestType& type);
// Types 3 and 4 carry a reason text and a description of the machine.
bool IsReportType(ServiceRequestType type);

// Values of the report fields, as narrow text in the system code page (936).
struct ReportFields {
  std::string reason;
  std::string browser;
  std::string os;
};

// The plain query: REQUESTTYPE, for the report types UNINSTALLREASONDATA, BROWSER, OS and UID,
// then TIMESTAMP (the local tick count, not the server clock) and FROMTYPE. Values go in
// unescaped. False for a type that has no query text.
bool BuildRequestQuery(ServiceRequestType type, const ReportFields& report, uint32_t tickCount,
                       std::string& query);
// The type named by a decrypted query's first field; false when it names none.
bool RequestTypeOfQuery(const std::string& query, ServiceRequestType& type);

constexpr size_t kDesKeyBytes = 24;

// Triple DES, EDE with three independent keys, 64-bit output feedback, IV = the first 8 key
// bytes, no padding: the output is as long as the input. Encrypting and decrypting are the
// same operation. False only when the system's crypto provider is missing or refuses the key.
bool TripleDesOfb(const std::string& input, const unsigned char (&key)[kDesKeyBytes],
                  std::string& output);

// RFC 4648 base64 with "=" padding and no line breaks.
std::string Base64Encode(const std::string& bytes);
// Strict: false for characters outside the alphabet, a length that is not a multiple of 4 or
// misplaced padding.
bool Base64Decode(const std::string& text, std::string& bytes);

// Letters and digits stay, white space becomes "+", every other character "%XX" (uppercase
// hexadecimal); characters beyond ASCII are escaped as the bytes of their UTF-8 form.
std::wstring EscapeRequestData(const std::wstring& text);
std::string EscapeRequestData(const std::string& text);
// "+" becomes a space, "%XX" its byte; false for a "%" not followed by two hexadecimal digits.
bool UnescapeRequestData(const std::string& escaped, std::string& text);

// MD5 (RFC 1321) of the bytes as 32 lowercase hexadecimal digits.
std::string Md5HexOfBytes(const std::string& bytes);

// The signature of a request: MD5 of the salt, the unescaped base64 query and the time stamp
// exactly as written in the URL.
std::string RequestSignature(const std::string& salt, const std::string& requestData,
                             const std::string& timeStampText);
// Compares a received signature with the expected one; the case of its hex digits is ignored.
bool CheckRequestSignature(const std::string& salt, const std::string& requestData,
                           const std::string& timeStampText, const std::string& signature);

