#include "platform/terminal/Presenter.h"

namespace terminal {

void Presenter::Print(const std::string& line) {
  ClearStatus();
  std::fprintf(out_, "%s\n", line.c_str());
  DrawStatus();
  std::fflush(out_);
}

void Presenter::Complain(const std::string& line) {
  ClearStatus();
  std::fprintf(err_, "%s%s\n", complaintPrefix_.c_str(), line.c_str());
  std::fflush(err_);
  DrawStatus();
}

void Presenter::Finish() {
  ClearStatus();
  std::fflush(out_);
}

}  // namespace terminal
