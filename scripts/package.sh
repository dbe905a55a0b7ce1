#!/usr/bin/env bash
# Makes the release packages with CPack from the install rules, into build/packages/:
#   commandlineparametersparser_<version>_amd64.deb and
#   CommandLineParametersParser-<version>-linux-x86_64.tar.gz   from the linux preset,
#   CommandLineParametersParser-<version>-win64.zip             from the mingw preset.
# Each holds the module, kelhost, the SDK headers, the host kit, the CMake package and
# HOST-AUTHORS.md (the README's section for host authors). The version is the CMake
# project's. Builds what the packages hold first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh tests windows benchmarks
out="${PWD}/build/packages"
mkdir -p "${out}"
for preset in linux mingw; do
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" \
    --target kel_module kelhost kel_host_services kel_host_platform >/dev/null
  cpack --config "build/${preset}/CPackConfig.cmake" -B "${out}" >/dev/null
done
rm -rf "${out}/_CPack_Packages"
ls -1 "${out}"
