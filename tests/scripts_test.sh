#!/usr/bin/env bash
# The project's shell scripts.
#
#   scripts_test.sh shellcheck   every script, as the tree holds them when
#                                the test runs, clean at warning level
#   scripts_test.sh arguments    bad numbers and ports refused with status 2,
#                                before anything is built or started
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

fail() {
    echo "FAIL: $*"
    exit 1
}

case ${1:-} in
shellcheck)
    command -v shellcheck >/dev/null || fail "shellcheck is not installed (scripts/setup.sh installs it)"
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        # Scripts not yet committed count too.
        mapfile -t scripts < <(git ls-files --cached --others --exclude-standard '*.sh')
    else
        mapfile -t scripts < <(find . \( -name 'build*' -o -name node_modules -o -name .git \) -prune -o -name '*.sh' -print)
    fi
    [[ ${#scripts[@]} -gt 0 ]] || fail "no shell scripts found under $root"
    # Sourced files are followed from the folder of the script that sources them.
    shellcheck --external-sources --source-path=SCRIPTDIR --severity=warning "${scripts[@]}"
    echo "ok: ${#scripts[@]} scripts"
    ;;
arguments)
    refused() { # expected message, command...
        local want=$1 out status=0
        shift
        out=$("$@" 2>&1 >/dev/null) || status=$?
        [[ $status -eq 2 ]] || fail "$* exited $status, not 2"
        [[ $out == *"$want"* ]] || fail "$*: no '$want' in: $out"
    }
    for seconds in abc -1 1e3 ' 1' 0x10; do
        refused "RUN_SECONDS must be a number" env RUN_SECONDS="$seconds" DISPLAY= scripts/run.sh
    done
    # The build folder is never reached: these fail on their numbers first.
    for args in x 0 0.0 '1 0' '1 x' '1 1.5' '1 2 other' '1 2 compat extra'; do
        # shellcheck disable=SC2086 # the words are the arguments
        refused "usage: bench/fps.sh" bench/fps.sh /nonexistent $args
    done
    # The page's script checks its port and benchmark figures before setup
    # and build, its benchmark before it loads the browser driver.
    for args in 8080x 70000 '80 81' '--bench x' '--bench 4 0' '--bench 0' '--bench 1e3'; do
        # shellcheck disable=SC2086 # the words are the arguments
        refused "usage: web.sh" scripts/web.sh $args
    done
    refused "usage: node page_bench.js" node bench/page_bench.js /nonexistent 4 five
    echo "ok"
    ;;
*)
    fail "usage: scripts_test.sh shellcheck|arguments"
    ;;
esac
