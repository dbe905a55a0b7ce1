// A library that must never be loaded in place of the module: its initialiser says so and
// ends the process, which fails the run that loaded it.
#include <cstdio>
#include <cstdlib>

namespace {

struct Decoy {
  Decoy() {
    std::fputs("decoy initialiser ran\n", stderr);
    std::_Exit(99);
  }
};

const Decoy decoy;

}  // namespace
