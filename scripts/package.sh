#!/usr/bin/env bash
# The demo as a Debian package: installs what is missing of what the build
# and the package need (scripts/packages-run.txt and packages-package.txt),
# builds the demo into build/ as run.sh does and packs
# build/kimallusmylly_<version>_<arch>.deb, whose path it prints last.
# Install it with `sudo apt-get install ./build/kimallusmylly_*.deb`.
#
#   scripts/package.sh
#   scripts/package.sh --help      this text
#
# The package's Depends are those of the system it is built on: build it
# on the release it is for.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
# shellcheck source=usage.sh
source "$root/scripts/usage.sh"
no_arguments package.sh "it takes no arguments" "$@"

"$root/scripts/setup.sh" run package
# shellcheck source=quietbuild.sh
source "$root/scripts/quietbuild.sh"
# The build run.sh makes, whole: CPack installs from it all that the
# install rule names.
build_quietly "$root/build.log" "package.sh: the build failed" "$build" \
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF --
log=$build/cpack.log
if ! (cd "$build" && cpack -G DEB --config CPackConfig.cmake) >"$log" 2>&1; then
    cat "$log" >&2
    echo "package.sh: cpack could not make the package" >&2
    exit 1
fi
sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$log"
