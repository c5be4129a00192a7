#!/usr/bin/env bash
# The project's shell scripts.
#
#   scripts_test.sh shellcheck   every script, as the tree holds them when
#                                the test runs, clean at warning level
#   scripts_test.sh arguments    unknown options, bad numbers and ports
#                                refused with the usage and status 2, and
#                                --help answered, before anything is
#                                installed, built or started
#   scripts_test.sh links        every relative link of README.md and docs/
#                                names a file there, and its #anchor a heading
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
    # Everything that installs, builds or starts, found first on the PATH as
    # a stand-in that writes down that it was called.
    stand_ins=$(mktemp -d)
    trap 'rm -rf "$stand_ins"' EXIT
    for tool in apt-get apt-cache dpkg-query sudo cmake emcmake cpack node npm Xvfb debootstrap chroot; do
        printf '#!/bin/sh\necho "%s $*" >>"%s/called"\nexit 1\n' "$tool" "$stand_ins" >"$stand_ins/$tool"
        chmod +x "$stand_ins/$tool"
    done
    untouched() { # what was asked
        [[ ! -e $stand_ins/called ]] || fail "$*: called $(cat "$stand_ins/called") before checking its arguments"
    }
    refused() { # expected message, command...
        local want=$1 out status=0
        shift
        out=$(PATH=$stand_ins:$PATH "$@" 2>&1 >/dev/null) || status=$?
        untouched "$@"
        [[ $status -eq 2 ]] || fail "$* exited $status, not 2"
        [[ $out == *"$want"* ]] || fail "$*: no '$want' in: $out"
    }
    answered() { # expected text, command...: --help's usage on stdout, status 0
        local want=$1 out status=0
        shift
        out=$(PATH=$stand_ins:$PATH "$@" 2>/dev/null) || status=$?
        untouched "$@"
        [[ $status -eq 0 ]] || fail "$* exited $status, not 0"
        [[ $out == *"$want"* ]] || fail "$*: no '$want' in: $out"
    }
    # Every user command: an option it does not know, or words it does not take.
    refused "usage: run.sh" scripts/run.sh --bogus
    refused "usage: test.sh" scripts/test.sh extra
    refused "usage: package.sh" scripts/package.sh --bogus
    refused "usage: windows.sh" scripts/windows.sh --bogus
    refused "usage: windows.sh" scripts/windows.sh one two
    refused "usage: scripts/setup.sh" scripts/setup.sh run bogus
    for args in --bogus --help-me --build=x '--build x' --test; do
        # shellcheck disable=SC2086 # the words are the arguments
        refused "web.sh" scripts/web.sh $args
    done
    for args in '' --bogus '--commands run' '--commands run,nothing trixie' '--commands package trixie' 'a b c d'; do
        # shellcheck disable=SC2086 # the words are the arguments
        refused "fresh-debian.sh" scripts/fresh-debian.sh $args
    done
    for script in run test package windows web setup fresh-debian; do
        answered "scripts/$script.sh" "scripts/$script.sh" --help
    done
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
    # The page's benchmark itself, which is node's to run.
    status=0
    out=$(node bench/page_bench.js /nonexistent 4 five 2>&1 >/dev/null) || status=$?
    [[ $status -eq 2 && $out == *"usage: node page_bench.js"* ]] || fail "page_bench.js exited $status: $out"
    echo "ok"
    ;;
links)
    # Markdown outside code blocks: each "](target)" one line, FILE TARGET.
    links_of() {
        awk -v f="$1" '/^ *```/ { code = !code; next } !code {
            while (match($0, /\]\([^) ]+\)/)) {
                print f, substr($0, RSTART + 2, RLENGTH - 3); $0 = substr($0, RSTART + RLENGTH) } }' "$1"
    }
    # The anchors a page's headings get: lower case, spaces as hyphens, all
    # but letters, digits, hyphens and underscores dropped, a repeat numbered.
    anchors_of() {
        awk '/^ *```/ { code = !code; next } !code && /^#+ / {
            sub(/^#+ +/, ""); s = tolower($0); gsub(/ /, "-", s); gsub(/[^[:alnum:]_-]/, "", s)
            n = seen[s]++; print (n ? s "-" n : s) }' "$1"
    }
    shopt -s nullglob
    pages=(README.md docs/*.md)
    checked=0
    for page in "${pages[@]}"; do
        while read -r from target; do
            case $target in http://* | https://* | mailto:*) continue ;; esac
            file=${target%%#*} anchor=
            [[ $target == *'#'* ]] && anchor=${target#*#}
            dest=$(dirname "$from")/$file
            [[ -n $file ]] || dest=$from
            [[ -e $dest ]] || fail "$from links to $target: no $dest"
            if [[ -n $anchor ]]; then
                [[ $dest == *.md ]] || fail "$from links to $target: an anchor in a file that is not a page"
                anchors_of "$dest" | grep -qxF -- "$anchor" || fail "$from links to $target: no heading there makes #$anchor"
            fi
            checked=$((checked + 1))
        done < <(links_of "$page")
    done
    echo "ok: $checked links in ${#pages[@]} pages"
    ;;
*)
    fail "usage: scripts_test.sh shellcheck|arguments|links"
    ;;
esac
