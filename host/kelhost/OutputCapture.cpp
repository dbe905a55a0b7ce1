#include "OutputCapture.h"

#include <unistd.h>

#include <cstdio>
#include <system_error>
#include <utility>

#include "Process.h"

namespace kel::kelhost {

OutputCapture::OutputCapture() {
  int ends[2];
  if (!OpenPipe(ends)) {
    error_ = "cannot open a pipe to capture the module's output";
    return;
  }
  readEnd_ = ends[0];
  try {
    reader_ = std::thread([this] { Drain(); });
  } catch (const std::system_error&) {
    ::close(ends[0]);
    ::close(ends[1]);
    readEnd_ = -1;
    error_ = "cannot start a thread to capture the module's output";
    return;
  }
  std::fflush(stdout);
  savedDescriptor_ = ::dup(1);
  if (savedDescriptor_ < 0 || ::dup2(ends[1], 1) < 0) {
    if (savedDescriptor_ >= 0) ::close(std::exchange(savedDescriptor_, -1));
    error_ = "cannot redirect standard output to capture the module's output";
  }
  // Descriptor 1 (when redirected) is now the only write end: restoring it ends the pipe.
  ::close(ends[1]);
}

OutputCapture::~OutputCapture() {
  Finish();
}

void OutputCapture::Drain() {
  char buffer[4096];
  for (;;) {
    const auto got = ::read(readEnd_, buffer, sizeof buffer);
    if (got <= 0) return;
    captured_.append(buffer, static_cast<std::size_t>(got));
  }
}

std::string OutputCapture::Finish() {
  if (!reader_.joinable()) return {};
  if (savedDescriptor_ >= 0) {
    std::fflush(stdout);
    ::dup2(savedDescriptor_, 1);
    ::close(std::exchange(savedDescriptor_, -1));
  }
  reader_.join();
  ::close(std::exchange(readEnd_, -1));
  return std::exchange(captured_, {});
}

}  // namespace kel::kelhost
