#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the built-in virtual meter.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/q7320 --meter virtual "$@"
