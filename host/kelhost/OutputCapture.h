// Captures what the whole process writes to its standard output descriptor, so that text a
// loaded module prints through the C runtime can be reported instead of interleaved.
#pragma once

#include <string>
#include <thread>

namespace kel::kelhost {

// From construction until Finish, descriptor 1 is the write end of a pipe, drained by a
// thread of its own so that no amount of output can fill the pipe and block the writer.
// Finish (or destruction, on any path) flushes standard output and gives descriptor 1 back
// exactly as it was. Bytes pass untranslated. One capture at a time.
class OutputCapture {
 public:
  OutputCapture();
  ~OutputCapture();
  OutputCapture(const OutputCapture&) = delete;
  OutputCapture& operator=(const OutputCapture&) = delete;

  // Why the capture could not start (descriptor 1 was then left untouched), or empty.
  const std::string& Error() const noexcept { return error_; }

  // Restores descriptor 1 and returns every byte written to it meanwhile. Later calls
  // return empty.
  std::string Finish();

 private:
  void Drain();

  int readEnd_ = -1;
  int savedDescriptor_ = -1;  // the original descriptor 1, while redirected
  std::thread reader_;
  std::string captured_;  // written only by reader_ until it is joined
  std::string error_;
};

}  // namespace kel::kelhost
