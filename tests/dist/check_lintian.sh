#!/usr/bin/env bash
# Runs lintian on the package that check_package.sh built: no errors; the warnings are printed.
#   check_lintian.sh WORK_DIR
set -uo pipefail
command -v lintian >/dev/null || { echo "SKIP: lintian is not installed"; exit 77; }
deb=$(ls "$1"/q7320_*_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL: no package in $1"; exit 1; }
out=$(lintian --no-tag-display-limit --display-info "$deb" 2>&1)
echo "$out"
if grep -q '^E: ' <<<"$out"; then
    echo "FAIL: lintian reports errors"
    exit 1
fi
echo "lintian: no errors"
