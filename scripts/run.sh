#!/usr/bin/env bash
# Installs what is missing, builds the demo and runs it in the current display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh"
log="$root/build.log"
if ! { cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
       cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" --target kimallusmylly; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "build failed" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
    echo "No DISPLAY set: the demo needs an X server to open its window." >&2
    echo "Set DISPLAY, or run it in a virtual one: xvfb-run $root/build/app/kimallusmylly" >&2
    exit 1
fi
exec "$root/build/app/kimallusmylly"
