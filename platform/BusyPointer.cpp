#include "platform/BusyPointer.h"

BusyPointer::BusyPointer(WindowRuntime& runtime, Then then)
    : runtime_(runtime), after_(then == Then::Previous ? runtime.MousePointer() : int16_t{vbDefault}) {
  runtime_.SetMousePointer(vbHourglass);
}

BusyPointer::~BusyPointer() { runtime_.SetMousePointer(after_); }
