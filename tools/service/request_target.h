// The request target of a received request, split as the service routes it.
//
// "/releases/1.0.0.0/a.dll.gz"            -> path "/releases/1.0.0.0/a.dll.gz", query ""
// "/cgi-bin/service?RequestData=ab%2B&x=1" -> path "/cgi-bin/service", query "RequestData=ab%2B&x=1"
// "/a%20b.gz"                             -> path "/a b.gz" ("%XX" decoded in the path only; the
//                                            query stays as received: its fields are unescaped
//                                            one by one)
// "/a%2" , "/a%zz", "/a%00b", "x", ""      -> false
#pragma once

#include <string>

bool SplitRequestTarget(const std::string& target, std::string& path, std::string& query);
