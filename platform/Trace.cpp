#include "platform/Trace.h"

#include <cstdio>
#include <exception>

#include "platform/WindowRuntime.h"
#include "platform/modAPI.h"

void TraceCaught(const char* where) noexcept {
  std::exception_ptr caught = std::current_exception();  // keeps what() alive below
  const char* what = "unknown exception";
  try {
    if (caught) std::rethrow_exception(caught);
  } catch (const std::exception& failure) {
    what = failure.what();
  } catch (...) {
  }
  // A fixed buffer: the trace must not fail for want of memory.
  char line[512];
  const char* title = HasRuntime() ? Runtime().Texts().Title.c_str() : "";
  std::snprintf(line, sizeof line, "%s%s%s: caught %s\n", title, *title != '\0' ? ": " : "", where, what);
  OutputDebugStringA(line);
}
