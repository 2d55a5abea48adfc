#!/usr/bin/env bash
# Sets up what is missing, builds every test with AddressSanitizer and UBSan, runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp"

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DTESSIMOR_SANITIZE=ON >/dev/null
cmake --build build-test -j"$(nproc)"
# Most tests wait on the adapter's 10 ms ticks rather than compute, so two run per core.
ctest --test-dir build-test --output-on-failure -j"$(($(nproc) * 2))"
./scripts/fuzz.sh 30
