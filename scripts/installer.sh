#!/usr/bin/env bash
# Installe les paquets Debian qui manquent pour construire et tester Kalvindo.
set -euo pipefail
paquets=(cmake g++ make qt6-base-dev libjpeg62-turbo-dev libgif-dev libpng-dev libtiff-dev
         zlib1g-dev googletest libgtest-dev libbenchmark-dev xvfb xauth)
manquants=()
for p in "${paquets[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || manquants+=("$p")
done
if ((${#manquants[@]})); then
    echo "Installation : ${manquants[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${manquants[@]}"
fi
