#pragma once
// SIGHUP, SIGTERM and SIGINT ask the program to close. They reach the event
// loop through a pipe, so that they are handled between two events like any
// input, never in the middle of one.
#include <optional>

namespace terminal {

// Catches the three signals (and ignores SIGPIPE: a reader gone is no
// reason to die). Without a pipe to write to they keep their default
// action, as a caught signal would be lost.
void CatchCloseSignals();
// Gives the three their default action back.
void ReleaseCloseSignals();
// The descriptor to wait on for a signal, or -1 when none are caught.
int CloseSignalFd();
// A signal that came and was not taken yet; never waits.
std::optional<int> TakeCloseSignal();

}  // namespace terminal
