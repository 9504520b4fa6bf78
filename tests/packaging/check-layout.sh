#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a system install of Orlenta below a prefix folder (usually a DESTDIR
# install): the program folder, launcher, desktop entry, icons, metainfo and
# udev rule, and that the desktop entry and metainfo validate.
#   check-layout.sh <installed prefix, e.g. $DESTDIR/usr>
set -euo pipefail
prefix=${1:?usage: check-layout.sh <installed prefix>}
id=org.orlenta.Orlenta
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_file() { [ -f "$prefix/$1" ] || fail "missing $1"; }
expect_executable() { [ -f "$prefix/$1" ] && [ -x "$prefix/$1" ] || fail "missing or not executable: $1"; }

program=lib/orlenta
expect_executable "$program/Orlenta"
expect_file "$program/NUVRecord.so"
expect_file "$program/NUVAUDIOCTL.so"
expect_file "$program/NUVdata.mp3"
expect_file "$program/system-install"
expect_executable bin/orlenta
expect_file share/man/man1/orlenta.1.gz
expect_file "share/applications/$id.desktop"
expect_file "share/metainfo/$id.metainfo.xml"
expect_file "share/icons/hicolor/scalable/apps/$id.svg"
for size in 16 22 24 32 48 64 128 256 512; do
    icon=share/icons/hicolor/${size}x${size}/apps/$id.png
    expect_file "$icon"
    if [ -f "$prefix/$icon" ] && ! file "$prefix/$icon" | grep -q "PNG image data, $size x $size,"; then
        fail "$icon is not a $size x $size PNG"
    fi
done
for state in mic-muted no-card; do
    expect_file "share/icons/hicolor/scalable/status/$id-$state.svg"
    for size in 16 22 24 32 48 64; do
        icon=share/icons/hicolor/${size}x${size}/status/$id-$state.png
        expect_file "$icon"
        if [ -f "$prefix/$icon" ] && ! file "$prefix/$icon" | grep -q "PNG image data, $size x $size,"; then
            fail "$icon is not a $size x $size PNG"
        fi
    done
done
expect_file lib/udev/rules.d/70-orlenta.rules
expect_file share/bash-completion/completions/orlenta
interface=share/dbus-1/interfaces/org.orlenta.Orlenta1.xml
expect_file "$interface"
if [ -f "$prefix/$interface" ] && ! grep -q '<interface name="org.orlenta.Orlenta1">' "$prefix/$interface"; then
    fail "$interface does not describe org.orlenta.Orlenta1"
fi
expect_file share/doc/orlenta/copyright
expect_file share/doc/orlenta/changelog.gz
if [ -f "$prefix/share/doc/orlenta/changelog.gz" ] &&
    ! gzip -dc "$prefix/share/doc/orlenta/changelog.gz" | head -1 | grep -Eq '^orlenta \([0-9.]+\) '; then
    fail "changelog.gz does not start with an orlenta entry"
fi

# The program folder holds what ships and nothing else: no simulated device,
# no settings written during a build, no test programs.
extra=$(cd "$prefix/$program" 2>/dev/null && ls -A | grep -Exv 'Orlenta|NUVRecord\.so|NUVAUDIOCTL\.so|NUVdata\.mp3|system-install' || true)
[ -z "$extra" ] || fail "unexpected files in the program folder: $extra"
# The HID control library over hidapi imports hid_open_path; the simulated
# device, which has the same file name, does not.
if [ -f "$prefix/$program/NUVAUDIOCTL.so" ] &&
    ! nm -D --undefined-only "$prefix/$program/NUVAUDIOCTL.so" | grep -q ' hid_open_path$'; then
    fail "NUVAUDIOCTL.so is not the HID control library over hidapi"
fi

# Nothing installed may look for libraries in the build tree.
for binary in "$prefix/$program/Orlenta" "$prefix/$program"/*.so; do
    [ -f "$binary" ] || continue
    if readelf -d "$binary" | grep -Eq 'RPATH|RUNPATH'; then
        fail "$(basename "$binary") carries a run path: $(readelf -d "$binary" | grep -E 'RPATH|RUNPATH')"
    fi
done

grep -q "/$program/Orlenta\"" "$prefix/bin/orlenta" 2>/dev/null ||
    fail "the launcher does not start $program/Orlenta"

rule='KERNEL=="hidraw*", ATTRS{idVendor}=="0c45", ATTRS{idProduct}=="1f7d", TAG+="uaccess"'
grep -v '^#' "$prefix/lib/udev/rules.d/70-orlenta.rules" 2>/dev/null | grep -qxF "$rule" ||
    fail "70-orlenta.rules does not hold the access rule"
if grep -q 'ACTION' "$prefix/lib/udev/rules.d/70-orlenta.rules" 2>/dev/null; then
    fail "70-orlenta.rules is limited to some events"
fi

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "desktop entry names another icon"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "metainfo does not launch the desktop entry"
grep -q '<screenshot' "$prefix/share/metainfo/$id.metainfo.xml" || fail "metainfo has no screenshot"
grep -q '<release version=' "$prefix/share/metainfo/$id.metainfo.xml" || fail "metainfo has no release"

if [ "$failures" -ne 0 ]; then
    echo "$failures layout check(s) failed under $prefix" >&2
    exit 1
fi
echo "layout of $prefix: OK"
