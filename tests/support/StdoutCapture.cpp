#include "StdoutCapture.h"

#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <gtest/gtest.h>

#include <utility>

namespace kel::testing {

#ifdef _WIN32
// The C runtime starts standard output in text mode, which writes "\n" as CR LF.
const char kStdoutLineEnd[] = "\r\n";
#else
const char kStdoutLineEnd[] = "\n";
#endif

StdoutCapture::StdoutCapture() : file_(std::tmpfile()) {
  std::fflush(stdout);
  if (file_ == nullptr) {
    ADD_FAILURE() << "cannot create a file to capture standard output";
    return;
  }
#ifdef _WIN32
  // dup2 carries the file's text or binary mode over to descriptor 1, so the file takes on
  // the mode of standard output, which only _setmode reports.
  if (const int mode = ::_setmode(1, _O_BINARY); mode != -1) {
    ::_setmode(1, mode);
    ::_setmode(::fileno(file_), mode);
  }
#endif
  savedDescriptor_ = ::dup(1);
  ::dup2(::fileno(file_), 1);
}

StdoutCapture::~StdoutCapture() {
  Finish();
}

std::string StdoutCapture::Finish() {
  if (file_ == nullptr) return {};
  std::fflush(stdout);
  ::dup2(savedDescriptor_, 1);
  ::close(savedDescriptor_);
#ifdef _WIN32
  ::_setmode(::fileno(file_), _O_BINARY);  // the bytes as they reached the file
#endif
  std::fseek(file_, 0, SEEK_END);
  std::string captured(static_cast<std::size_t>(std::ftell(file_)), '\0');
  std::rewind(file_);
  captured.resize(std::fread(captured.data(), 1, captured.size(), file_));
  std::fclose(std::exchange(file_, nullptr));
  return captured;
}

}  // namespace kel::testing
