#include "platform/terminal/CloseSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace terminal {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  (void)!::write(g_signalPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

void CatchCloseSignals() {
  if (g_signalPipe[0] < 0 && ::pipe(g_signalPipe) == 0) {
    for (int fd : g_signalPipe) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  // SA_RESTART: a signal must not cut short a write of ours (a line half
  // printed) or any other call.
  if (g_signalPipe[1] >= 0) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGHUP, SIGTERM, SIGINT}) ::sigaction(sig, &action, nullptr);
  }
  ::signal(SIGPIPE, SIG_IGN);
}

void ReleaseCloseSignals() {
  for (int sig : {SIGHUP, SIGTERM, SIGINT}) ::signal(sig, SIG_DFL);
}

int CloseSignalFd() { return g_signalPipe[0]; }

std::optional<int> TakeCloseSignal() {
  unsigned char signal = 0;
  if (g_signalPipe[0] >= 0 && ::read(g_signalPipe[0], &signal, 1) == 1) return signal;
  return std::nullopt;
}

}  // namespace terminal
