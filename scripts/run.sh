#!/usr/bin/env bash
# Sets up what is missing, builds the programs without sanitizers into build/ (the window, the
# demo, tessimor-eeprom-cli and tessimor-sim, so the command-line session in the README works
# too), and opens the demo window on its simulated adapter. Arguments go to the demo
# (--port PATH, --screenshot PNG, --help).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" \
  --target tessimor-eeprom tessimor-eeprom-demo tessimor-eeprom-cli tessimor-sim

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no DISPLAY or WAYLAND_DISPLAY; showing the window on a virtual X server" \
    "(xvfb-run -a), where nobody can see it. ./scripts/run.sh --screenshot out.png saves a" \
    "picture of it." >&2
  exec xvfb-run -a build/bin/tessimor-eeprom-demo "$@"
fi
exec build/bin/tessimor-eeprom-demo "$@"
