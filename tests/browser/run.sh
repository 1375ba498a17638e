#!/usr/bin/env bash
# Runs the browser tests against a built tessivane: tests/browser/run.sh PATH-TO-TESSIVANE
# Installs playwright-core, and the page's library, from their lock files when missing.
set -euo pipefail
cd "$(dirname "$0")"
if [ ! -f node_modules/playwright-core/package.json ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
# The page's own library, when the tests run without `make` having installed it.
if [ ! -f ../../resources/display/node_modules/morphdom/package.json ]; then
  (cd ../../resources/display && npm ci --no-audit --no-fund --loglevel=error)
fi
rm -rf results
TESSIVANE_BIN="$(realpath "$1")" exec node --test --test-concurrency=1
