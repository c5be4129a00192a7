# shellcheck shell=bash
# shellcheck disable=SC2034 # jobs is for the script that sources this
# Sourced by the scripts that build: how many cores to build and test on,
# and a build that says only how far it is, and nothing once it is done,
# unless it fails.
#
#   jobs       the processor's cores, or 2 where nproc is missing
#   build_quietly LOG FAILURE DIR [CONFIGURE...] -- [BUILD_OPTION...]
#              runs the command CONFIGURE, if given, then builds DIR on
#              $jobs cores with the BUILD_OPTIONs (such as --target NAME),
#              all of it into LOG; on a terminal, one line that shows the
#              build's percentage as it goes; should either fail, prints LOG
#              and then FAILURE on stderr and ends the script with status 1

jobs=$(nproc 2>/dev/null || echo 2)

build_quietly() {
    local log=$1 failure=$2 dir=$3 configure=()
    shift 3
    while [[ $1 != -- ]]; do
        configure+=("$1")
        shift
    done
    shift
    # Every line goes to the log. On a terminal the percentage the build
    # prints before each step is shown too, on one line that is rewritten.
    # The build's own status is the pipe's first, whatever the caller's
    # shell options.
    local -
    set +e
    local status terminal=0 shown=${dir#"$PWD"/} line
    [[ -t 1 ]] && terminal=1
    ((terminal)) && printf 'Building %s ...' "$shown"
    { { [[ ${#configure[@]} -eq 0 ]] || "${configure[@]}"; } &&
        cmake --build "$dir" -j "$jobs" "$@"; } 2>&1 | tee "$log" |
        while IFS= read -r line; do
            ((terminal)) && [[ $line =~ ^\[\ *([0-9]+)%\] ]] && printf '\rBuilding %s: %s%%' "$shown" "${BASH_REMATCH[1]}"
        done
    status=${PIPESTATUS[0]}
    ((terminal)) && printf '\n'
    if [[ $status -ne 0 ]]; then
        cat "$log" >&2
        echo "$failure" >&2
        exit 1
    fi
}
