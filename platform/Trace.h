#pragma once
// A trace of a failure that is caught and not reported to the user, so that
// a developer can still see it: one line through OutputDebugStringA (a
// debugger's output on Windows, stderr elsewhere), begun with the current
// runtime's title and ": ".

// Call only inside a catch handler: names what was caught (the exception's
// what(), or "unknown exception") and where. Never throws.
void TraceCaught(const char* where) noexcept;
