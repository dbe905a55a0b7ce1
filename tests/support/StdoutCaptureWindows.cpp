#include "StdoutCapture.h"

#include <fcntl.h>
#include <io.h>

#include <gtest/gtest.h>

#include <iostream>

namespace kel::testing {

// The C runtime starts standard output in text mode, which writes "\n" as CR LF.
const char kStdoutLineEnd[] = "\r\n";

namespace {
constexpr int kStdoutDescriptor = 1;

// The text or binary mode of `descriptor`, which only _setmode reports.
int DescriptorMode(int descriptor) {
  const int mode = ::_setmode(descriptor, _O_BINARY);
  if (mode != -1) ::_setmode(descriptor, mode);
  return mode;
}
}  // namespace

StdoutCapture::StdoutCapture() {
  std::cout.flush();
  std::fflush(stdout);
  const int mode = DescriptorMode(kStdoutDescriptor);
  file_ = std::tmpfile();
  if (file_ == nullptr) {
    ADD_FAILURE() << "cannot create a file to capture standard output";
    return;
  }
  // _dup2 carries the source's mode over to descriptor 1, so give the file stdout's mode.
  if (mode != -1) ::_setmode(::_fileno(file_), mode);
  savedDescriptor_ = ::_dup(kStdoutDescriptor);
  ::_dup2(::_fileno(file_), kStdoutDescriptor);
}

StdoutCapture::~StdoutCapture() {
  Finish();
}

std::string StdoutCapture::Finish() {
  if (file_ == nullptr) return {};
  std::cout.flush();
  std::fflush(stdout);
  ::_dup2(savedDescriptor_, kStdoutDescriptor);
  ::_close(savedDescriptor_);
  savedDescriptor_ = -1;

  // Read back what reached the file, without translating line ends again.
  ::_setmode(::_fileno(file_), _O_BINARY);
  std::string captured;
  std::rewind(file_);
  char buffer[512];
  for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) {
    captured.append(buffer, read);
  }
  std::fclose(file_);
  file_ = nullptr;
  return captured;
}

}  // namespace kel::testing
