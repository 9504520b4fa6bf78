#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks Orlenta as a system install, the way a Debian desktop user gets it:
#   1. DESTDIR install of the build: layout, desktop-file-validate, appstreamcli
#   2. cpack -G DEB: dependencies, the package's own layout, lintian without
#      errors
#   3. dpkg -i, then the installed `orlenta` started under Xvfb (with the
#      simulated device in the installed program folder for this test only)
#      must open its window and write its INI files into the XDG config folder,
#      not into the read-only program folder
#   4. the installed `orlenta` given a command with no panel running writes
#      the change into the user's preset
#   5. dpkg -r leaves nothing behind
# Needs root (dpkg -i) and a configured, built folder (scripts/setup.sh).
#   scripts/check-install.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build=$(realpath -m "${1:-build}")
program=/usr/lib/orlenta
id=org.orlenta.Orlenta
ini_files=(setting.ini UserConfig_1.ini UserConfig_2.ini UserConfig_3.ini UserConfig_4.ini)
# Runtime packages the .deb must depend on: what the program links or loads.
required_depends=(libqt6widgets6 qt6-qpa-plugins libhidapi-hidraw0 libudev1 libpulse0
    libmp3lame0 libmpg123-0 libopencc1.1)

log() { echo "check-install: $*"; }
die() { echo "check-install: FAIL: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || die "dpkg -i needs root"
[ -f "$build/CMakeCache.txt" ] || die "$build is not a configured build folder (run scripts/setup.sh)"
if dpkg-query -W -f='${Status}' orlenta 2>/dev/null | grep -q 'install ok installed'; then
    die "the orlenta package is installed already; remove it first (dpkg -r orlenta)"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/orlenta-install-check.XXXXXX")
installed=0
swapped=0
services=0
panel_pid=

cleanup() {
    set +e
    if [ -n "$panel_pid" ] && kill -0 "$panel_pid" 2>/dev/null; then
        kill "$panel_pid"
        wait "$panel_pid" 2>/dev/null
    fi
    [ "$swapped" -eq 1 ] && cp "$work/NUVAUDIOCTL.so.installed" "$program/NUVAUDIOCTL.so"
    [ "$installed" -eq 1 ] && dpkg --purge orlenta >/dev/null
    [ "$services" -eq 1 ] && ORLENTA_SERVICES_DIR=$work/services "$source_dir/scripts/services.sh" stop
    rm -rf "$work"
}
trap cleanup EXIT

log "building $build"
run_quietly() { "$@" >"$work/step.log" 2>&1 || { tail -n 40 "$work/step.log" >&2; die "$*"; }; }

run_quietly cmake --build "$build"

log "DESTDIR install and layout"
DESTDIR=$work/destdir run_quietly cmake --install "$build" --prefix /usr
tests/packaging/check-layout.sh "$work/destdir/usr"

log "cpack -G DEB"
run_quietly cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package"
debs=("$work"/package/orlenta_*.deb)
[ -f "${debs[0]}" ] || die "cpack made no orlenta_*.deb"
deb=${debs[0]}
depends=$(dpkg-deb -f "$deb" Depends)
log "Depends: $depends"
for package in "${required_depends[@]}"; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || die "the package does not depend on $package"
done
dpkg-deb -x "$deb" "$work/payload"
tests/packaging/check-layout.sh "$work/payload/usr"
# Warnings and notes are shown; an error fails the check.
log "lintian $(basename "$deb")"
lintian_status=0
lintian_output=$(lintian --fail-on error --display-level '>=warning' "$deb" 2>&1) || lintian_status=$?
grep -v '^running with root privileges is not recommended!$' <<<"$lintian_output" || true
[ "$lintian_status" -eq 0 ] || die "lintian reports errors on $(basename "$deb")"

log "dpkg -i $(basename "$deb")"
run_quietly dpkg -i "$deb"
installed=1
[ -x /usr/bin/orlenta ] || die "/usr/bin/orlenta missing after dpkg -i"
[ -f "/usr/share/applications/$id.desktop" ] || die "desktop entry missing after dpkg -i"

desktop_exec=$(sed -n 's/^Exec=//p' "/usr/share/applications/$id.desktop")
[ -n "$desktop_exec" ] || die "the desktop entry has no Exec line"
log "starting the installed panel under Xvfb as the menu entry does: $desktop_exec"
services_env=$(ORLENTA_SERVICES_DIR=$work/services ORLENTA_DISPLAY=${ORLENTA_CHECK_DISPLAY:-:95} scripts/services.sh start) ||
    die "the private display and sound server did not start"
eval "$services_env"
services=1
cp "$program/NUVAUDIOCTL.so" "$work/NUVAUDIOCTL.so.installed"
swapped=1
cp "$build/stage-sim/NUVAUDIOCTL.so" "$program/NUVAUDIOCTL.so"
folder_before=$(ls -A "$program")

mkdir -p "$work/home" "$work/config"
# The user's session as the menu entry gives it: a home, an XDG config
# folder, a runtime folder (sound server, single-instance socket), a display.
# The launcher and the program exec in turn, so the process id stays the panel's.
env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
    XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" DISPLAY="$ORLENTA_TEST_DISPLAY" LANG=C.UTF-8 \
    sh -c "exec $desktop_exec" >"$work/panel.log" 2>&1 &
panel_pid=$!

settings=$work/config/Orlenta
for _ in $(seq 200); do
    all=1
    for name in "${ini_files[@]}"; do [ -f "$settings/$name" ] || all=0; done
    [ "$all" -eq 1 ] && break
    kill -0 "$panel_pid" 2>/dev/null || { cat "$work/panel.log" >&2; die "orlenta ended at start"; }
    sleep 0.1
done
for name in "${ini_files[@]}"; do
    [ -f "$settings/$name" ] || { cat "$work/panel.log" >&2; die "$settings/$name was not created"; }
done
window=
for _ in $(seq 100); do
    window=$(DISPLAY=$ORLENTA_TEST_DISPLAY xdotool search --onlyvisible --name '^Orlenta HD$' 2>/dev/null || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { cat "$work/panel.log" >&2; die "no visible window \"Orlenta HD\""; }
sleep 1
kill -0 "$panel_pid" 2>/dev/null || { cat "$work/panel.log" >&2; die "orlenta ended after start"; }
[ "$(ls -A "$program")" = "$folder_before" ] || die "orlenta wrote into $program: $(ls -A "$program" | tr '\n' ' ')"
[ -z "$(ls -A "$work/home")" ] || die "files outside the XDG config folder: $(find "$work/home" | tr '\n' ' ')"
log "INI files in \$XDG_CONFIG_HOME/Orlenta: $(ls "$settings" | tr '\n' ' ')"

kill "$panel_pid"
for _ in $(seq 100); do kill -0 "$panel_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$panel_pid" 2>/dev/null && die "orlenta did not end on SIGTERM"
wait "$panel_pid" 2>/dev/null || true
panel_pid=

# A command with no panel running opens the card itself, with no display,
# and keeps the change in the user's preset, not in the program folder.
log "orlenta set master-vol=4 without a panel or a display"
command_status=0
env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
    XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" LANG=C.UTF-8 orlenta set master-vol=4 >"$work/command.log" 2>&1 ||
    command_status=$?
[ "$command_status" -eq 0 ] || { cat "$work/command.log" >&2; die "orlenta set ended with $command_status"; }
grep -qx 'settingToVoice=0f0f4f15b42a2f3e' "$settings/UserConfig_1.ini" ||
    die "UserConfig_1.ini holds: $(cat "$settings/UserConfig_1.ini")"
[ "$(ls -A "$program")" = "$folder_before" ] || die "orlenta set wrote into $program"

cp "$work/NUVAUDIOCTL.so.installed" "$program/NUVAUDIOCTL.so"
swapped=0
verify=$(dpkg --verify orlenta || true)
[ -z "$verify" ] || die "installed files differ from the package: $verify"

log "dpkg -r orlenta"
run_quietly dpkg -r orlenta
# A package with a postrm stays known in the config-files state until purged;
# it owns no files then.
status=$(dpkg-query -W -f='${Status}' orlenta 2>/dev/null || true)
case "$status" in ""|*not-installed|*config-files) ;; *) die "package state after dpkg -r: $status" ;; esac
for path in "$program" /usr/bin/orlenta "/usr/share/applications/$id.desktop" \
    "/usr/share/metainfo/$id.metainfo.xml" /usr/lib/udev/rules.d/70-orlenta.rules \
    "/usr/share/icons/hicolor/scalable/apps/$id.svg" /usr/share/bash-completion/completions/orlenta \
    /usr/share/doc/orlenta /usr/share/dbus-1/interfaces/org.orlenta.Orlenta1.xml; do
    [ ! -e "$path" ] || die "$path left behind by dpkg -r"
done
# The tray's state icons come in every size of the hicolor set.
icons=$(find /usr/share/icons/hicolor -name "$id*" 2>/dev/null)
[ -z "$icons" ] || die "icons left behind by dpkg -r: $icons"
run_quietly dpkg --purge orlenta
installed=0
log "OK"
