// Splits an HTTP URL into what the socket downloader connects to and what it sends.
#pragma once

#include <string>

struct UrlParts {
  std::string host;      // name or address to resolve
  int port = -1;         // -1 when the URL names none
  std::string path;      // from the first "/" after the authority to the end, query included
  std::string hostText;  // the authority as written: the "Host" header's value
};

// False (and nothing usable in parts) for a URL without "://", without a "/" after the
// authority, with an empty host, or with a port that is not a number from 0 to 65535.
bool SplitUrl(const std::string& url, UrlParts& parts);

// The URL a "Location" value points to, seen from the URL that answered: an absolute URL
// stands as it is; a path beginning with "/" keeps the scheme and authority of the
// current URL. False for any other form.
bool ResolveLocation(const std::string& currentUrl, const std::string& location,
                     std::string& target);
