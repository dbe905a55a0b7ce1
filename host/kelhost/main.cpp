// kelhost: the reference host of command-line parser modules. See HelpText.cpp.
#include "Commands.h"
#include "Process.h"

int main(int argc, char** argv) {
  return kel::kelhost::RunKelhost(kel::kelhost::ProcessArguments(argc, argv));
}
