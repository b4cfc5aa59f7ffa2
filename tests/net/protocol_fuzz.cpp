// Feeds arbitrary bytes to everything that reads the update protocol: the client's reply
// readers and the service's request desk.
#include <cstddef>
#include <cstdint>
#include <string>

#include "build_settings.h"
#include "net/update_reply.h"
#include "service/service_desk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // Replies arrive as UTF-16 text: one character per byte, or pairs of bytes for wide ones.
  std::wstring reply;
  if (size > 0 && (data[0] & 1)) {
    for (size_t i = 1; i + 1 < size; i += 2) reply += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  } else {
    for (const char c : bytes) reply += static_cast<wchar_t>(static_cast<unsigned char>(c));
  }
  int32_t stamp = 0;
  ReadServerTimeStamp(reply, stamp);
  UpdateEntry entry;
  ChooseUpdateEntry(reply, L"TavoraStudent", entry);
  std::wstring braced = reply;
  if (KeepBracedPart(braced)) ChooseUpdateEntry(braced, L"tavorastudent", entry);

  // The service's side: a query string as it comes off the wire.
  static const CServiceDesk desk(settings::kSignSalt, settings::kDesKey, 300, {});
  const DeskAnswer answer = desk.Answer(bytes, 1700000000);
  if (answer.hasReport) ReportLine(1700000000, answer.type, answer.query);
  std::string decoded, plain;
  if (UnescapeRequestData(bytes, decoded) && Base64Decode(decoded, plain)) {
    std::string query;
    TripleDesOfb(plain, settings::kDesKey, query);
    ServiceRequestType type;
    RequestTypeOfQuery(query, type);
  }
  return 0;
}
