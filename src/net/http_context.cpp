#include "net/http_context.h"

#include <cstdlib>
#include <cstring>

#include "net/url_split.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool StartsWith(const char* text, const char* prefix) {
  return strncmp(text, prefix, strlen(prefix)) == 0;
}

// strtoll without its locale and with no way past the end of the text.
int64_t ReadInt64(const char* text) { return strtoll(text, nullptr, 10); }

int ReadStatusCode(const char* line) {
  const char* p = line;
  while (*p && !IsSpace(*p)) ++p;
  while (*p && IsSpace(*p)) ++p;
  const long value = strtol(p, nullptr, 10);
  // Anything outside three digits is no status this client knows; keep it out of int range trouble.
  if (value < 0 || value > 99999) return 0;
  return static_cast<int>(value);
}

}  // namespace

void HttpContext::ResetForResponse() {
  readPosition = 0;
  dataEnd = 0;
  headerLineCount = 0;
  offset = 0;
  fileSize = -1;
}

int ReadHeaderLine(HttpContext& context, char (&line)[kHttpLineBufferSize], bool& truncated) {
  int stored = 0;
  int dropped = 0;
  char lastByte = '\0';
  truncated = false;
  for (;;) {
    if (context.readPosition >= context.dataEnd) {
      const int received = context.receive ? context.receive(context.buffer, kHttpReceiveBufferSize) : -1;
      if (received <= 0) {
        line[stored] = '\0';
        return kHeaderLineFailed;
      }
      context.readPosition = 0;
      context.dataEnd = received > kHttpReceiveBufferSize ? kHttpReceiveBufferSize : received;
    }
    // Scan the buffered bytes for the line feed in one go rather than byte by byte.
    const char* start = context.buffer + context.readPosition;
    const int available = context.dataEnd - context.readPosition;
    const void* found = memchr(start, '\n', static_cast<size_t>(available));
    const int take = found ? static_cast<int>(static_cast<const char*>(found) - start) : available;
    const int room = kHttpLineBufferSize - 1 - stored;
    const int kept = take < room ? take : room;
    memcpy(line + stored, start, static_cast<size_t>(kept));
    stored += kept;
    dropped += take - kept;
    if (take > 0) lastByte = start[take - 1];
    context.readPosition += take;
    if (found) {
      ++context.readPosition;  // the line feed
      // One carriage return before the line feed is dropped, whether it was stored or was
      // the one byte that found no room.
      if (dropped == 0 && stored > 0 && line[stored - 1] == '\r') --stored;
      truncated = dropped > 1 || (dropped == 1 && lastByte != '\r');
      line[stored] = '\0';
      return kHeaderLineRead;
    }
  }
}

int ProcessHeaderLine(HttpContext& context, const char* line, int lineCount, bool& redirect,
                      bool truncated) {
  if (line[0] == '\0') return kHeaderEnded;
  if (lineCount == 0) {
    if (truncated) return kHeaderUnusable;
    context.statusCode = ReadStatusCode(line);
    return kHeaderGoesOn;
  }
  const char* colon = strchr(line, ':');
  if (!colon) return kHeaderGoesOn;
  const std::string name(line, static_cast<size_t>(colon - line));
  const char* value = colon + 1;
  while (*value && IsSpace(*value)) ++value;

  // Only a 302 or 303 is followed; any other answer is judged on its status, whatever its
  // "Location" says, so a location it could not use does not matter there.
  const bool redirecting = context.statusCode == 302 || context.statusCode == 303;
  const bool actedOn = (name == "Location" && redirecting) || name == "Content-Length" ||
                       name == "Content-Range" || name == "Transfer-Encoding";
  if (!actedOn) return kHeaderGoesOn;
  // A cut line of any other header is harmless; a cut URL or number is not.
  if (truncated) return kHeaderUnusable;

  if (name == "Location") {
    std::string target;
    if (!ResolveLocation(context.location, value, target) ||
        target.size() >= kHttpLocationBufferSize) {
      return kHeaderUnusable;
    }
    context.location = target;
    redirect = true;
  } else if (name == "Content-Length") {
    if (context.fileSize == -1) context.fileSize = ReadInt64(value);
  } else if (name == "Content-Range") {
    if (StartsWith(value, "bytes ")) {
      context.offset = ReadInt64(value + 6);
      const char* slash = strchr(value + 6, '/');
      if (slash) context.fileSize = ReadInt64(slash + 1);
    }
  } else if (name == "Transfer-Encoding") {
    if (StartsWith(value, "chunked")) {
      context.fileSize = -1;
      context.chunkSize = 0;
    }
  }
  return kHeaderGoesOn;
}
