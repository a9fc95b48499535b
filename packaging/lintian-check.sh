#!/usr/bin/env bash
# Builds the Debian package from a configured build tree into a scratch
# folder and runs lintian on it; any error fails.
#
#   packaging/lintian-check.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; exit 1; }
deb=$(find "$work" -maxdepth 1 -name '*.deb' | head -n 1)
[ -n "$deb" ] || { echo "cpack made no package"; exit 1; }
# As root lintian says so on stderr; that is no finding.
lintian --fail-on error "$deb" 2> >(grep -v "running with root privileges" >&2)
