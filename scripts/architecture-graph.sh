#!/usr/bin/env bash
# Makes docs/architecture.svg, the picture of docs/architecture.md: the
# project's libraries and programs and what each links, as CMake's own
# --graphviz output says after a configure (nothing is built), drawn by
# Graphviz's dot. CMakeGraphVizOptions.cmake at the source root chooses what
# is drawn.
#
#   scripts/architecture-graph.sh
#
# Run it again whenever a target_link_libraries changes.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh

# Configuring needs what a build needs (CMake and Qt are looked for); dot
# comes with graphviz.
ensure_packages "${BUILD_PACKAGES[@]}" graphviz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Tests, benchmarks and fuzz targets are left unconfigured: the picture is of
# the program, not of what checks it.
cmake -S . -B "$work/build" -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF -DBUILD_FUZZERS=OFF \
    --graphviz="$work/targets.dot" >/dev/null

# CMake's legend names every kind of target CMake knows, most of which this
# project has none of; docs/architecture.md says what the shapes and lines
# mean instead. The programs (CMake draws them as eggs) all go in the first
# column, so that the picture reads from the front ends to the cipher.
awk '/^subgraph clusterLegend/ { legend = 1 }
     legend { if (/^}/) legend = 0; next }
     /shape = egg/ { programs = programs " " $1 ";" }
     /^}/ { print "    { rank = min;" programs " }" }
     { print }' "$work/targets.dot" > "$work/architecture.dot"

dot -Tsvg "$work/architecture.dot" -o docs/architecture.svg
echo "docs/architecture.svg: $(stat -c %s docs/architecture.svg) байт" >&2
