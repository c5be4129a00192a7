# shellcheck shell=bash
# shellcheck disable=SC2034 # jobs is for the script that sources this
# Sourced by the scripts that build: how many cores to build and test on,
# and a build that says nothing unless it fails.
#
#   jobs       the processor's cores, or 2 where nproc is missing
#   build_quietly LOG FAILURE DIR [CONFIGURE...] -- [BUILD_OPTION...]
#              runs the command CONFIGURE, if given, then builds DIR on
#              $jobs cores with the BUILD_OPTIONs (such as --target NAME),
#              all of it into LOG; should either fail, prints LOG and then
#              FAILURE on stderr and ends the script with status 1

jobs=$(nproc 2>/dev/null || echo 2)

build_quietly() {
    local log=$1 failure=$2 dir=$3 configure=()
    shift 3
    while [[ $1 != -- ]]; do
        configure+=("$1")
        shift
    done
    shift
    if ! { { [[ ${#configure[@]} -eq 0 ]] || "${configure[@]}"; } &&
           cmake --build "$dir" -j "$jobs" "$@"; } >"$log" 2>&1; then
        cat "$log" >&2
        echo "$failure" >&2
        exit 1
    fi
}
