#!/usr/bin/env bash
# Rebuilds data/russian.words from the Russian hunspell dictionary that
# Debian ships in hunspell-ru (installed if it is missing): wordlistbuilder
# lists every word form its stems and suffix rules make and packs the list.
#
#   scripts/build-word-list.sh [path/to/wordlistbuilder]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh

ensure_packages hunspell-ru

builder=${1:-}
if [ -z "$builder" ]; then
    ensure_packages "${BUILD_PACKAGES[@]}"
    cmake -S . -B build-model -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
    cmake --build build-model --target wordlistbuilder -j"$(nproc)"
    builder=build-model/scripts/wordlist/wordlistbuilder
fi

"$builder" /usr/share/hunspell/ru_RU.dic /usr/share/hunspell/ru_RU.aff data/russian.words
