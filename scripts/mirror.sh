# shellcheck shell=bash
# Sourced: the Debian archives this machine's apt uses, read from its
# sources (one-line or deb822 style), so that nothing names a host.
#
#   apt_uris        every http(s) archive named, one a line
#   debian_mirror   the first Debian archive that is not the security one
#   debian_security the security archive, if there is one

apt_uris() {
    { grep -hsE '^[[:space:]]*deb(-src)?[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
          sed -E 's/\[[^]]*\]//' | awk '{ print $2 }'
      grep -hsiE '^[[:space:]]*URIs:' /etc/apt/sources.list.d/*.sources | sed -E 's/^[^:]*:[[:space:]]*//' | tr ' ' '\n'
    } | grep -E '^https?://' | sed 's,/*$,,'
}

debian_mirror() {
    apt_uris | grep -v -- '-security$' | grep -m1 '/debian$' || true
}

debian_security() {
    apt_uris | grep -m1 -- '/debian-security$' || true
}
