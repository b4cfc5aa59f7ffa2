// Request targets split into the path the service routes on and the query it reads.
#include <gtest/gtest.h>

#include "service/request_target.h"

TEST(RequestTarget, QueryStaysAsReceived) {
  std::string path, query;
  ASSERT_TRUE(SplitRequestTarget("/cgi-bin/service?RequestData=ab%2B%3D&TimeStamp=1", path, query));
  EXPECT_EQ(path, "/cgi-bin/service");
  EXPECT_EQ(query, "RequestData=ab%2B%3D&TimeStamp=1");
}

TEST(RequestTarget, PathEscapesAreDecodedButPlusIsNot) {
  std::string path, query;
  ASSERT_TRUE(SplitRequestTarget("/releases/1.0.0.0/a%20b+c%2e.gz", path, query));
  EXPECT_EQ(path, "/releases/1.0.0.0/a b+c..gz");
  EXPECT_EQ(query, "");
}

TEST(RequestTarget, BrokenEscapesNulBytesAndRelativeTargetsAreRefused) {
  std::string path, query;
  for (const char* target : {"/a%2", "/a%", "/a%zz", "/a%00b", "x", "", "*"}) {
    EXPECT_FALSE(SplitRequestTarget(target, path, query)) << target;
  }
}
