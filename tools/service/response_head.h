// The head of an HTTP/1.1 response as the service writes it: the status line, then the fields
// in the order given, spelled exactly as given ("Content-Length", "Content-Range": the
// installer compares those names case-sensitively).
#pragma once

#include <string>
#include <utility>
#include <vector>

using HeaderFields = std::vector<std::pair<std::string, std::string>>;

// "OK", "Partial Content", ...; "Unknown" for a code the service never sends.
const char* StatusReason(int status);

// "HTTP/1.1 206 Partial Content\r\nName: value\r\n...\r\n\r\n"
std::string ResponseHead(int status, const HeaderFields& fields);
