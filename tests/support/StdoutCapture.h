// Byte-exact capture of the process's standard output, for checking the module's
// diagnostic lines as they reach the descriptor, end of line included.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kel::testing {

// What the process's standard output writes for the end of a line: "\n" where the stream
// is a byte stream, "\r\n" where the C runtime's text mode translates it.
extern const char kStdoutLineEnd[];

// `text` with each "\n" written as standard output writes the end of a line.
inline std::string WithStdoutLineEnds(std::string_view text) {
  std::string written;
  for (const char c : text) written += c == '\n' ? std::string(kStdoutLineEnd) : std::string(1, c);
  return written;
}

// Redirects file descriptor 1 to a temporary file from construction until Finish, which
// restores it and returns every byte written meanwhile by anyone in the process (the test
// and every loaded module), exactly as it reached the descriptor. The temporary file takes
// on the descriptor's text or binary mode, so translation happens as it would without the
// capture; unlike gtest's CaptureStdout, the bytes are read back untranslated. One capture
// at a time.
class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // Ends the capture; later calls return empty.
  std::string Finish();

 private:
  std::FILE* file_ = nullptr;
  int savedDescriptor_ = -1;
};

}  // namespace kel::testing
