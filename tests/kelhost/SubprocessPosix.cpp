#include "Subprocess.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace kel::kelhost::testing {
namespace {

// An unnamed temporary file, closed (and so removed) on destruction.
class CaptureFile {
 public:
  CaptureFile() : file_(std::tmpfile()) {
    if (file_ == nullptr) ADD_FAILURE() << "cannot create a temporary file";
  }
  ~CaptureFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  int Descriptor() const { return file_ == nullptr ? -1 : ::fileno(file_); }

  std::string ReadAll() {
    std::string bytes;
    if (file_ == nullptr) return bytes;
    std::rewind(file_);
    char buffer[4096];
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) {
      bytes.append(buffer, read);
    }
    return bytes;
  }

 private:
  std::FILE* file_;
};

class SpawnActions {
 public:
  SpawnActions() { ::posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { ::posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;

  void Redirect(int from, int to) { ::posix_spawn_file_actions_adddup2(&actions_, from, to); }
  const posix_spawn_file_actions_t* Get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments) {
  CaptureFile output;
  CaptureFile errors;
  SpawnActions actions;
  actions.Redirect(output.Descriptor(), 1);
  actions.Redirect(errors.Descriptor(), 2);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  ProcessResult result;
  pid_t child = 0;
  const int spawned =
      ::posix_spawn(&child, program.c_str(), actions.Get(), nullptr, argv.data(), environ);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(spawned);
    return result;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) == -1) {
    if (errno != EINTR) {
      ADD_FAILURE() << "waitpid failed: " << std::strerror(errno);
      return result;
    }
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.output = output.ReadAll();
  result.errors = errors.ReadAll();
  return result;
}

}  // namespace kel::kelhost::testing
