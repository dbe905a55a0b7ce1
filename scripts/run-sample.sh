#!/usr/bin/env bash
# Builds the module and the reference host natively and runs the host: on its built-in
# sample command line, or on the arguments given here (they are passed to kelhost).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh sample
cmake --preset sample >/dev/null
cmake --build --preset sample >/dev/null
exec build/sample/bin/kelhost "$@"
