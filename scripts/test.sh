#!/bin/sh
# Installs what is missing, builds, and runs every test: the whole suite, then the native
# tests again under AddressSanitizer and UBSan.
set -eu
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
jobs=$(nproc)
cmake -S . -B build -G Ninja
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure
cmake -S . -B build-asan -G Ninja -DTL_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan -j"$jobs" --output-on-failure
