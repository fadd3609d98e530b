#!/usr/bin/env bash
# Installe les paquets Debian qui manquent pour construire et tester Kalvindo.
set -euo pipefail
paquets=(cmake g++ make qt6-base-dev qt6-translations-l10n libjpeg62-turbo-dev libgif-dev libpng-dev
         libtiff-dev zlib1g-dev googletest libgtest-dev libbenchmark-dev xvfb xauth)
manquants=()
for p in "${paquets[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || manquants+=("$p")
done
((${#manquants[@]})) || exit 0

sudo_cmd=""
[ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"

# Une autre installation (mise à jour automatique du poste) peut tenir les
# verrous d'apt : on l'attend, dix minutes au plus, plutôt que d'échouer.
# DPkg::Lock::Timeout ne couvre que ceux de dpkg, d'où la reprise sur les autres.
apt_patient() {
    local limite=$((SECONDS + 600)) erreurs
    erreurs="$(mktemp)"
    until $sudo_cmd env LC_ALL=C DEBIAN_FRONTEND=noninteractive \
            apt-get -o DPkg::Lock::Timeout=600 "$@" 2>"$erreurs"; do
        if ! grep -q 'Could not get lock' "$erreurs" || ((SECONDS >= limite)); then
            cat "$erreurs" >&2
            rm -f "$erreurs"
            return 1
        fi
        echo "Verrou d'apt tenu par une autre installation : attente..."
        sleep 5
    done
    cat "$erreurs" >&2
    rm -f "$erreurs"
}

echo "Installation : ${manquants[*]}"
apt_patient update -qq
apt_patient install -y -qq "${manquants[@]}"
