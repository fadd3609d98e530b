#!/usr/bin/env bash
# Installe ce qui manque, construit en Release et lance le programme.
set -euo pipefail
racine="$(cd "$(dirname "$0")/.." && pwd)"
bash "$racine/scripts/installer.sh"
cmake -S "$racine" -B "$racine/build" -DCMAKE_BUILD_TYPE=Release -DKALVINDO_TESTS=OFF
cmake --build "$racine/build" -j"$(nproc)" --target kalvindo
exec "$racine/build/kalvindo" "$@"
