#!/usr/bin/env bash
# Rebuilds data/russian.model from the Russian fortunes that Debian ships in
# fortunes-ru: installs the package if it is missing, joins its text files
# into one corpus and counts it with `homophonic model`.
#
#   scripts/build-language-model.sh [path/to/homophonic]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh

ensure_packages fortunes-ru

builder=${1:-}
if [ -z "$builder" ]; then
    ensure_packages "${BUILD_PACKAGES[@]}"
    cmake -S . -B build-model -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
    cmake --build build-model --target homophonic-cli -j"$(nproc)"
    builder=build-model/src/cli/homophonic
fi

corpus=$(mktemp)
trap 'rm -f "$corpus"' EXIT
# The fortune files proper: not the .dat indexes, not the .u8 links to them.
find /usr/share/games/fortunes/ru -maxdepth 1 -type f ! -name '*.dat' -print0 \
    | sort -z | xargs -0 cat >"$corpus"
"$builder" model --corpus "$corpus" --output data/russian.model
