#!/usr/bin/env bash
# Construit les mesures de performance (Release) et les lance. Les mesures
# sur un fil tiennent leur fil sur un cœur ; celles sur tous les cœurs les
# veulent tous libres.
set -euo pipefail
racine="$(cd "$(dirname "$0")/.." && pwd)"
export QT_QPA_PLATFORM=offscreen
cmake -S "$racine" -B "$racine/build-bench" -DCMAKE_BUILD_TYPE=Release -DKALVINDO_BENCH=ON \
      -DKALVINDO_TESTS=OFF
cmake --build "$racine/build-bench" -j4 --target kalvindo_bench
exec "$racine/build-bench/bench/kalvindo_bench" "$@"
