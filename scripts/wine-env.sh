# shellcheck shell=bash
# Sourced, not run: sets up Wine for running the Windows build's programs.
#
#   . scripts/wine-env.sh BUILD_DIR      # as root on Debian 12
#   ctest --test-dir BUILD_DIR ...       # or wine64 BUILD_DIR/.../x.exe
#   wine_env_stop                        # when done (e.g. trap wine_env_stop EXIT)
#
# Makes a fresh 64-bit prefix in BUILD_DIR/wine-prefix, so no state is
# carried over from an earlier run, boots it once, and maps the dialog font
# "宋体" (SimSun) to AR PL UMing CN: Wine has no SimSun and would otherwise
# draw every Chinese character as '?'. Installs Wine's own fonts
# (fonts-wine, which Debian's wine only recommends) and puts them into the
# prefix: without Marlett the caption's close box shows an "r" and the system
# menu's marks are digits and letters. Exports WINEPREFIX, WINEARCH,
# WINEDEBUG=-all (Wine's own diagnostics would bury the programs' output),
# WINEDLLOVERRIDES (no Mono, no Gecko, no entries in this machine's menus)
# and WINE64 (the 64-bit loader, which Debian keeps off PATH; WINE64 and
# WINESERVER may name others). Returns non-zero, saying
# why, if Wine cannot start.
#
# The prefix's wineserver and its service processes are started here, with
# their output going nowhere, and kept for a while between programs. Were
# they started by the first test instead, they would inherit its output
# pipe, and CTest would wait for them to exit before ending every test.

wine_env_stop() {
    [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]] || return 0
    "${WINESERVER:-/usr/lib/wine/wineserver64}" -k 2>/dev/null || true
    "${WINESERVER:-/usr/lib/wine/wineserver64}" -w 2>/dev/null || true
}

wine_env_start() {
    local build_dir=${1:?usage: . scripts/wine-env.sh BUILD_DIR}
    # shellcheck source=scripts/apt-packages.sh
    source "$(dirname "${BASH_SOURCE[0]}")/apt-packages.sh" || return 1
    apt_install_missing wine wine64 fonts-wine fonts-arphic-uming || return 1

    export WINE64=${WINE64:-/usr/lib/wine/wine64}
    export WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
    export WINEARCH=win64
    export WINEDEBUG=-all
    # Mono and Gecko would be offered for download at boot; nothing here
    # needs them. Nor is this machine's own desktop to get Wine's menu
    # entries and file types for what the prefix installs (winemenubuilder).
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    mkdir -p "$build_dir" || return 1
    export WINEPREFIX
    WINEPREFIX=$(realpath "$build_dir")/wine-prefix
    # A server still running on an earlier prefix of the same name would
    # keep serving the deleted one.
    wine_env_stop
    rm -rf "$WINEPREFIX"
    mkdir "$WINEPREFIX" || return 1

    local log=$build_dir/wine-boot.log
    # Ten minutes after the last Windows program ends, the server and its
    # services go away by themselves.
    "$WINESERVER" -p600 </dev/null >/dev/null 2>&1
    if ! "$WINE64" wineboot -i </dev/null >"$log" 2>&1; then
        echo "wine-env: wineboot failed in $WINEPREFIX (log: $log):" >&2
        tail -n 20 "$log" >&2
        wine_env_stop
        return 1
    fi

    # Debian's Wine 8 looks for its own fonts in the prefix's Fonts folder
    # only, never in /usr/share/wine/fonts where fonts-wine puts them. All
    # but Tahoma: with Tahoma there, the dialogs' Chinese texts are drawn in
    # a font without their glyphs.
    find /usr/share/wine/fonts -name '*.ttf' ! -name 'tahoma*' \
        -exec cp -t "$WINEPREFIX/drive_c/windows/Fonts" {} + || return 1

    # regedit reads UTF-16 files whatever the locale, so the Chinese name
    # arrives intact.
    local reg=$build_dir/wine-fonts.reg
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"宋体"="AR PL UMing CN"' '"SimSun"="AR PL UMing CN"' |
        iconv -f UTF-8 -t UTF-16 >"$reg" || return 1
    "$WINE64" regedit /S "$(winepath_of "$reg")" </dev/null >>"$log" 2>&1 || true

    # Proof that programs start and that both names are mapped (the
    # console may not show the Chinese one legibly, so the values count).
    local answer mapped
    answer=$("$WINE64" reg query 'HKCU\Software\Wine\Fonts\Replacements' </dev/null 2>>"$log" ||
        true)
    mapped=$(grep -c "REG_SZ *AR PL UMing CN" <<<"$answer" || true)
    if [[ $mapped != 2 || $answer != *SimSun* ]]; then
        echo "wine-env: Wine cannot run programs in $WINEPREFIX (log: $log):" >&2
        printf '%s\n' "$answer" >&2
        tail -n 20 "$log" >&2
        wine_env_stop
        return 1
    fi
}

# Unix paths are reachable through Wine's Z: drive.
winepath_of() {
    local path
    path=$(realpath "$1") || return 1
    printf 'Z:%s\n' "${path//\//\\}"
}

wine_env_start "$@"
