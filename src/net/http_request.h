// The text of the one request the socket downloader sends for a file.
#pragma once

#include <cstddef>
#include <cstdint>

// Size of the request buffer, terminator included.
constexpr size_t kHttpRequestBufferSize = 1024;

// Writes the GET request for path on the server named by hostText, asking for the bytes
// from offset on, into buffer (kHttpRequestBufferSize bytes). False, with an empty buffer,
// when the request would not fit.
bool FormatHttpRequest(const char* path, const char* hostText, int64_t offset,
                       char (&buffer)[kHttpRequestBufferSize], int& length);
