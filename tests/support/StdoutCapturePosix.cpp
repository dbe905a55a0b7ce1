#include "StdoutCapture.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <iostream>

namespace kel::testing {

const char kStdoutLineEnd[] = "\n";

StdoutCapture::StdoutCapture() {
  std::cout.flush();
  std::fflush(stdout);
  file_ = std::tmpfile();
  if (file_ == nullptr) {
    ADD_FAILURE() << "cannot create a file to capture standard output";
    return;
  }
  savedDescriptor_ = ::dup(STDOUT_FILENO);
  ::dup2(::fileno(file_), STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() {
  Finish();
}

std::string StdoutCapture::Finish() {
  if (file_ == nullptr) return {};
  std::cout.flush();
  std::fflush(stdout);
  ::dup2(savedDescriptor_, STDOUT_FILENO);
  ::close(savedDescriptor_);
  savedDescriptor_ = -1;

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
