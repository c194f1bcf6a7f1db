# shellcheck shell=bash
# Sourced, not run: installs the Debian packages that are not installed yet,
# as root on Debian 12. Packages already present are left as they are, and
# when nothing is missing no package list is fetched.
#
#   . scripts/apt-packages.sh
#   apt_install_missing PACKAGE...

apt_install_missing() {
    local p missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}"
}
