#!/usr/bin/env bash
# The whole test suite built with AddressSanitizer and UndefinedBehavior-
# Sanitizer (build-asan): any bad memory access, leak or undefined behaviour
# fails the test that caused it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTRANO_SANITIZE=ON
cmake --build build-asan -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
