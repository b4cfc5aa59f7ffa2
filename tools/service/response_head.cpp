#include "service/response_head.h"

const char* StatusReason(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 416: return "Range Not Satisfiable";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Unknown";
  }
}

std::string ResponseHead(int status, const HeaderFields& fields) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + StatusReason(status) + "\r\n";
  for (const auto& field : fields) head += field.first + ": " + field.second + "\r\n";
  head += "\r\n";
  return head;
}
