#!/usr/bin/env bash
# The Windows installer, tried under Wine as a user would, in a fresh prefix:
#   - an older version installed first, then this one: it replaces the older
#     in place (one entry left), and the older package then refuses to go
#     over it;
#   - per machine: the zip's very files in Program Files\Veltrano, the Start
#     menu shortcut to the dialog, the entry in the installed programs with
#     the name, version, publisher and icon;
#   - "Open with Veltrano" for .264 files (the "Open with" list and the
#     context menu), one command for all, .264's own owner left alone;
#   - a recording whose name has a space and Chinese in it, opened as
#     Explorer's "Open with" opens it (the command the registry gives, run by
#     the shell), is in the dialog's source box, on a virtual X screen;
#   - uninstalled, nothing is left: not in Program Files, not in the Start
#     menu, not in the registry.
#
#   scripts/ci-msi.sh [WIN_BUILD_DIR] [LINUX_BUILD_DIR]
#       (defaults build-win64 and build)
#
# Takes dist/veltrano-VERSION-win64.msi and .zip and the Windows build's
# window probe (scripts/build-windows.sh), and the Linux build's recording
# generator. Fails, never skips, when one is missing or Wine cannot start.
# Windows Installer's logs are left in WIN_BUILD_DIR/msi-logs/.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=scripts/version.sh
source scripts/version.sh
win_build=${1:-build-win64}
linux_build=${2:-build}
name=veltrano-$VELTRANO_VERSION-win64
msi=dist/$name.msi
zip=dist/$name.zip
stage=$win_build/zip/$name
probe=$win_build/tests/dialog_win32/window-probe.exe
genrec=$linux_build/tools/recgen/veltrano-genrec
caption=$(veltrano_caption "$win_build")

fail() {
    echo "ci-msi: $*" >&2
    exit 1
}
for built in "$msi" "$zip" "$stage/veltrano.exe" "$probe" "$genrec"; do
    [[ -f $built ]] || fail "$built: not built"
done
for tool in Xvfb xdotool unzip wixl iconv; do
    command -v "$tool" >/dev/null || fail "$tool: not installed"
done

started=$SECONDS
lap() { echo "== ci-msi: $1 in $((SECONDS - started)) s"; started=$SECONDS; }

work=$(mktemp -d /tmp/veltrano-msi.XXXX)
# Windows Installer's logs stay for a look after a failure.
logs=$win_build/msi-logs
rm -rf "$logs"
mkdir -p "$logs"
# shellcheck source=scripts/x-display.sh
source scripts/x-display.sh
cleanup() {
    ! declare -F wine_env_stop >/dev/null || wine_env_stop
    x_display_stop
    rm -rf "$work"
}
trap cleanup EXIT
x_display_start 1024x768 90 || fail "no X screen"
export LC_ALL=C.UTF-8
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh "$work" || fail "Wine cannot start"
"$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 ||
    fail "Wine cannot write its registry"
lap "fresh prefix"

# msiexec ACTION PACKAGE LOG: installs (/i) or removes (/x) it without a
# window, logging to $logs/LOG.log.
msiexec() {
    "$WINE64" msiexec "$1" "$(winepath_of "$2")" /qn /l*v "$(winepath_of "$logs/$3.log")" \
        </dev/null >/dev/null 2>&1
}
# The data of value $2 of key $1 ("" for the key's default value); fails
# when there is no such value.
reg_value() {
    local which=(/ve) found
    [[ -n $2 ]] && which=(/v "$2")
    found=$("$WINE64" reg query "$1" "${which[@]}" </dev/null 2>/dev/null) || return 1
    printf '%s\n' "$found" | tr -d '\r' | awk -v prefix="    ${2:-(Default)}    REG_" '
        index($0, prefix) == 1 {
            data = substr($0, length(prefix) + 1)
            sub(/^[A-Z_]+/, "", data)
            sub(/^    /, "", data)
            found = 1
            if (data != "(value not set)") print data
        }
        END { exit !found }'
}
# The keys under $1 (searched whole) whose value $2 is the string $3.
keys_with() {
    "$WINE64" reg query "$1" /s </dev/null 2>/dev/null | tr -d '\r' |
        awk -v line="    $2    REG_SZ    $3" '/^HKEY_/ { key = $0 } $0 == line { print key }'
}
# A Windows path of the prefix as a path here.
unix_path() {
    local path=${1//\\//}
    printf '%s\n' "$WINEPREFIX/drive_c${path#[Cc]:}"
}
# Property $1 of this version's install, from its log.
logged_property() {
    tr -d '\r' <"$logs/install.log" | sed -n "s/^Property(S): $1 = //p" | tail -n 1
}
products() { keys_with 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' DisplayName Veltrano; }

# An older version first, built from the same files: this one replaces it.
wixl -a x64 -D Version=0.9.0 -D UpgradeBelow=0.9.1 -D Stage="$stage" -o "$work/older.msi" \
    packaging/windows/veltrano.wxs 2>/dev/null || fail "wixl cannot build the older package"
msiexec /i "$work/older.msi" older || fail "the older package did not install"
[[ $(reg_value "$(products)" DisplayVersion) == 0.9.0 ]] || fail "the older version is not listed"
msiexec /i "$msi" install || fail "$msi did not install over the older version"
entries=$(products)
[[ $(wc -l <<<"$entries") == 1 ]] || fail "after the upgrade, the installed programs list: $entries"
if msiexec /i "$work/older.msi" downgrade; then
    fail "the older package installed over the newer one"
fi
[[ $(products) == "$entries" ]] || fail "the refused older package changed the list"
lap "older version, upgrade, refused downgrade"

# The zip's files, nothing else, in Program Files\Veltrano.
installdir=$(unix_path "$(logged_property INSTALLDIR)")
[[ $installdir == "$WINEPREFIX/drive_c/Program Files/Veltrano/" ]] ||
    fail "installed in $installdir, not in Program Files\\Veltrano"
expected=$(unzip -Z1 "$zip" | sed -n "s|^$name/\(.*[^/]\)\$|\1|p" | sort)
present=$(find "$installdir" -type f -printf '%P\n' | sort)
[[ $present == "$expected" ]] || fail "Program Files\\Veltrano holds: $present; the zip: $expected"
for file in $expected; do
    unzip -p "$zip" "$name/$file" | cmp -s - "$installdir/$file" || fail "$file differs from the zip's"
done

# The Start menu shortcut (Wine puts the per-machine one in the user's menu).
shortcut=$(unix_path "$(logged_property ProgramMenuFolder)")Veltrano.lnk
[[ -f $shortcut ]] || fail "no Start menu shortcut: $shortcut"
grep -aqF 'C:\Program Files\Veltrano\veltrano.exe' "$shortcut" ||
    fail "the shortcut does not lead to the dialog"

# The entry in the installed programs; its icon is the product's.
entry=$(products)
[[ $(reg_value "$entry" DisplayVersion) == "$VELTRANO_VERSION" ]] || fail "$entry: not version $VELTRANO_VERSION"
[[ $(reg_value "$entry" Publisher) == "The Veltrano developers" ]] || fail "$entry: no publisher"
product=$(keys_with 'HKLM\Software\Classes\Installer\Products' ProductName Veltrano)
icon=$(reg_value "$product" ProductIcon) || fail "no icon for the installed programs"
cmp -s "$(unix_path "$icon")" res/Veltrano.ico || fail "the product's icon $icon is not ours"

# One command opens a .264 from each place, and .264 keeps its own owner.
command='"C:\Program Files\Veltrano\veltrano.exe" "%1"'
classes='HKLM\Software\Classes'
for key in 'Veltrano.Recording\shell\open\command' 'Applications\veltrano.exe\shell\open\command' \
    'SystemFileAssociations\.264\shell\Veltrano\command'; do
    [[ $(reg_value "$classes\\$key" "") == "$command" ]] || fail "$key: not $command"
done
reg_value "$classes\\.264\\OpenWithProgids" Veltrano.Recording >/dev/null ||
    fail ".264 does not list Veltrano.Recording to open with"
[[ $(reg_value "$classes\\SystemFileAssociations\\.264\\shell\\Veltrano" "") == "Open with Veltrano" ]] ||
    fail "the context menu item is not \"Open with Veltrano\""
[[ -z $(reg_value "$classes\\.264" "" || true) ]] || fail ".264 was given an owner"
lap "files, shortcut and registry"

# A recording opened as "Open with" does: the shell runs the registered command.
recording="$work/录像 1.264"
"$genrec" --frames 25 --seed 3 "$recording" >/dev/null
"$WINE64" start /ProgIDOpen Veltrano.Recording "$(winepath_of "$recording")" </dev/null \
    >"$work/dialog.log" 2>&1 || fail "the shell could not open the recording"
window_named "$caption" >/dev/null || fail "the dialog did not appear"
shown=""
for _ in $(seq 50); do
    shown=$("$WINE64" "$probe" "$caption" </dev/null 2>&1 | tr -d '\r') || true
    grep -qxF "$(winepath_of "$recording")" <<<"$shown" && break
    sleep 0.1
done
grep -qxF "$(winepath_of "$recording")" <<<"$shown" ||
    fail "the source box does not hold $(winepath_of "$recording"); the dialog shows: $shown"
key_to "$(window_named "$caption")" alt+F4
window_gone "$caption" || fail "the dialog did not close"
lap "a recording opened from the shell"

# Uninstalled: nothing of it left anywhere.
msiexec /x "$msi" uninstall || fail "$msi did not uninstall"
[[ ! -e $installdir && ! -e $shortcut ]] || fail "files were left: $installdir, $shortcut"
[[ -z $(products) ]] || fail "still in the installed programs"
# Windows Installer's copies of the packages and of the icon go too.
left=$(find "$WINEPREFIX/drive_c" \( -iname '*veltrano*' -o -ipath '*/windows/installer/*' \) \
    -printf '%P\n')
[[ -z $left ]] || fail "left in C:: $left"
for root in HKLM HKCU; do
    "$WINE64" reg export "$root" "$(winepath_of "$work/$root.reg")" /y </dev/null >/dev/null 2>&1 ||
        fail "cannot export $root"
    left=$(iconv -f UTF-16 -t UTF-8 "$work/$root.reg" | grep -i -e veltrano -e '\\\.264' || true)
    [[ -z $left ]] || fail "left in $root: $left"
done
lap "uninstalled"
echo "ci-msi: upgrade, files, shortcut, installed-programs entry, Open with, a recording" \
    "opened from the shell, and a clean uninstall: all passed"
