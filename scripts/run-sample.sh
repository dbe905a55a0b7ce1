#!/usr/bin/env bash
# Builds the module and the reference host natively and runs the host: on its built-in
# sample command line, or on the arguments given here (they are passed to kelhost).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target kel_module kelhost >/dev/null
exec build/linux/bin/kelhost "$@"
