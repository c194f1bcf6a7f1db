# shellcheck shell=bash
# Sourced, not run: the release's version, read from the one place it is
# written, the project() line of the top CMakeLists.txt (four numbers, e.g.
# 1.0.0.1). --version, the Windows version block, the Debian package and
# every file name in dist/ carry this same string.
#
#   . scripts/version.sh
#   echo "$VELTRANO_VERSION"
#   veltrano_caption BUILD_DIR    # the main dialog's caption, e.g. Veltrano V1.0.0

VELTRANO_VERSION=$(sed -n 's/^project(Veltrano VERSION \([0-9][0-9.]*\)[ )].*/\1/p' \
    "$(dirname "${BASH_SOURCE[0]}")/../CMakeLists.txt")
if [[ ! $VELTRANO_VERSION =~ ^[0-9]+(\.[0-9]+){1,3}$ ]]; then
    echo "version.sh: no version in the project() line of CMakeLists.txt" >&2
    return 1
fi

# The main dialog's caption in build tree $1, as the resource script CMake
# made there carries it (the version written in); fails when there is none.
veltrano_caption() {
    local caption
    caption=$(sed -n '/^IDD_MAIN /,/^BEGIN/s/^CAPTION "\(.*\)"\r*$/\1/p' "$1/res/Veltrano.rc") ||
        caption=""
    if [[ -z $caption ]]; then
        echo "version.sh: $1/res/Veltrano.rc gives no caption for the main dialog" >&2
        return 1
    fi
    printf '%s\n' "$caption"
}
