#pragma once
// The hourglass pointer for the life of a handler that reads the registry for
// the user. However the handler ends, the pointer then goes back to the
// default shape, or, for a handler that remembers the shape it found, to that
// one.
#include <cstdint>

#include "platform/WindowRuntime.h"

class BusyPointer {
 public:
  enum class Then { Default, Previous };

  explicit BusyPointer(WindowRuntime& runtime, Then then = Then::Default);
  ~BusyPointer();
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  WindowRuntime& runtime_;
  int16_t after_;
};
