# shellcheck shell=bash
# Sourced first by the user commands, which answer --help and refuse what
# they do not take before they install or build anything.
#
#   script_help        prints the comment at the top of the script, from its
#                      second line down to its `set` line
#   refuse USAGE       prints "usage: USAGE" on stderr and ends with 2
#   no_arguments NAME HINT [ARG...]
#                      for a script that takes none: --help prints the
#                      comment and ends with 0; anything else is refused
#                      with "NAME   (HINT)"

script_help() {
    sed -n '2,/^set /p' "$0" | sed '$d; s/^# \{0,1\}//'
}

refuse() {
    echo "usage: $1" >&2
    exit 2
}

no_arguments() {
    local name=$1 hint=$2
    shift 2
    case ${1:-} in
    '') [[ $# -eq 0 ]] && return 0 ;;
    -h|--help) [[ $# -eq 1 ]] && { script_help; exit 0; } ;;
    esac
    refuse "$name   ($hint)"
}
