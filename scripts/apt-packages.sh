# shellcheck shell=bash
# Sourced, not run: installs the Debian packages that are not installed yet,
# as root on Debian 12. Packages already present are left as they are, and
# when nothing is missing no package list is fetched. The lists are fetched
# at most once per run: the first install of a script exports
# VELTRANO_APT_UPDATED, so later installs of that script and of the scripts
# it starts go straight to apt-get install.
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
    if [[ -z ${VELTRANO_APT_UPDATED:-} ]]; then
        DEBIAN_FRONTEND=noninteractive apt-get update -qq || return 1
        export VELTRANO_APT_UPDATED=1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
