# shellcheck shell=bash
# Installing what a script needs, for the scripts that build and run things (test.sh, fuzz.sh,
# bench.sh). Source it, then:
#
#   ensure_packages NAME ITEM...
#
# installs with apt-get every Debian package among the ITEMs that is missing. An ITEM is either a
# package name, missing when dpkg does not list it as installed, or PACKAGE:COMMAND, missing when
# COMMAND is not on the PATH (so that a tool installed some other way is used as it is). NAME
# prefixes the message. The package lists are updated once per run, also across the scripts one
# starts (PAGEWRIGHT_APT_UPDATED); sudo is used when not run as root.

ensure_packages() {
    local name="$1" item missing=() sudo=""
    shift
    for item in "$@"; do
        if [[ "$item" == *:* ]]; then
            command -v "${item#*:}" >/dev/null && continue
        else
            dpkg -s "$item" >/dev/null 2>&1 && continue
        fi
        missing+=("${item%%:*}")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "$name: installing ${missing[*]}"
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    if [ -z "${PAGEWRIGHT_APT_UPDATED:-}" ]; then
        $sudo apt-get update -q
        export PAGEWRIGHT_APT_UPDATED=1
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}
