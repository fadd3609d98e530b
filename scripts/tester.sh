#!/usr/bin/env bash
# Installe ce qui manque, construit en Release et passe tous les tests, puis
# reconstruit et repasse les tests sous AddressSanitizer (fuites comprises) et UBSan.
set -euo pipefail
racine="$(cd "$(dirname "$0")/.." && pwd)"
bash "$racine/scripts/installer.sh"
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

cmake -S "$racine" -B "$racine/build" -DCMAKE_BUILD_TYPE=Release -DKALVINDO_TESTS=ON
cmake --build "$racine/build" -j"$jobs"
ctest --test-dir "$racine/build" --output-on-failure -j"$jobs"

cmake -S "$racine" -B "$racine/build-asan" -DCMAKE_BUILD_TYPE=Release -DKALVINDO_TESTS=ON \
      -DKALVINDO_SANITIZE=ON
cmake --build "$racine/build-asan" -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$racine/build-asan" --output-on-failure -j"$jobs"
