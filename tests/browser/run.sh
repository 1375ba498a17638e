#!/usr/bin/env bash
# Runs the browser tests against a built tessivane: tests/browser/run.sh PATH-TO-TESSIVANE
# Installs playwright-core from the lock file first when it is missing.
set -euo pipefail
cd "$(dirname "$0")"
if [ ! -f node_modules/playwright-core/package.json ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
rm -rf results
TESSIVANE_BIN="$(realpath "$1")" exec node --test --test-concurrency=1
