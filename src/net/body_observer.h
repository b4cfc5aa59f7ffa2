// What sees the bytes of a download body as they reach the file, in the file's order.
#pragma once

#include <cstddef>

class IBodyObserver {
 public:
  virtual ~IBodyObserver() = default;
  // The file starts again from its first byte (an answer that is not the rest of a cut body).
  virtual void BodyRestarted() = 0;
  virtual void BodyBytes(const char* bytes, size_t count) = 0;
};
