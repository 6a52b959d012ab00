#!/usr/bin/env bash
# Proves the install from a build folder (default build/ci): installs into a temporary DESTDIR,
# checks the desktop files, runs the installed tamocnc-sim on the installed samples, starts the
# installed tamocnc on the offscreen platform until the safety agreement shows, checks that a file
# manager types G-code programs for it, builds the Debian package and runs lintian on it. Prints the time of each step.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

step() {
    local name=$1 start
    shift
    start=$(date +%s%N)
    "$@"
    echo "== $name: $(( ($(date +%s%N) - start) / 1000000 )) ms"
}

install_into_stage() {
    DESTDIR="$stage/root" cmake --install "$build" --prefix /usr >/dev/null
    local usr=$stage/root/usr
    for f in bin/tamocnc bin/tamocnc-sim share/tamocnc/gcodes/square.txt \
             share/applications/org.tamocnc.TamoCNC.desktop share/icons/hicolor/scalable/apps/tamocnc.svg \
             share/metainfo/org.tamocnc.TamoCNC.metainfo.xml share/man/man1/tamocnc.1.gz \
             share/man/man1/tamocnc-sim.1.gz share/doc/tamocnc/copyright; do
        [ -e "$usr/$f" ] || { echo "not installed: /usr/$f"; return 1; }
    done
}

validate_desktop_files() {
    local usr=$stage/root/usr
    desktop-file-validate "$usr/share/applications/org.tamocnc.TamoCNC.desktop"
    appstreamcli validate --no-net --pedantic "$usr/share/metainfo/org.tamocnc.TamoCNC.metainfo.xml" >/dev/null
    for page in "$usr"/share/man/man1/*.1.gz; do
        local warnings
        warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || { echo "$page: $warnings"; return 1; }
    done
}

# On a calibrated machine, so that every move runs and its time is predicted.
run_installed_samples() {
    local sample result
    for sample in "$stage"/root/usr/share/tamocnc/gcodes/*; do
        result=$("$stage/root/usr/bin/tamocnc-sim" run "$sample" --config tests/golden/run/machine.cfg)
        grep -q '"File succesfully processed"\],"seconds":[0-9]' <<<"$result" ||
            { echo "$sample: $result"; return 1; }
    done
}

show_installed_agreement() {
    local shown
    shown=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen HOME="$stage/home" \
            XDG_CONFIG_HOME="$stage/config" "$stage/root/usr/bin/tamocnc" --quit-after-agreement 2>/dev/null)
    [ "$shown" = "Welcome to TamoCNC" ] || { echo "the agreement did not show: '$shown'"; return 1; }
    [ ! -e "$stage/config" ] || { echo "settings written before the agreement was answered"; return 1; }
}

# A file manager types the usual endings of a G-code program as TamoCNC's G-code type, whatever
# the system's own database says of them (NetCDF for .nc, a game ROM for .ngc, its own G-code type
# for .gcode): the installed type and the system's types in one database, as the Debian package
# leaves them in /usr/share/mime. xdg-mime asks GIO, as GNOME's file manager does.
gcode_files_typed() {
    local data=$stage/mime-data files=$stage/programs ending typed
    mkdir -p "$data/mime/packages" "$files"
    cp /usr/share/mime/packages/freedesktop.org.xml "$stage/root/usr/share/mime/packages/tamocnc-gcode.xml" \
       "$data/mime/packages/"
    update-mime-database "$data/mime" >/dev/null 2>&1
    for ending in nc ngc gcode tap cnc; do
        printf '%%\n(part 1)\nG21 G90\nG01 X10 Y5 F200\n' >"$files/part.$ending"
        typed=$(XDG_CURRENT_DESKTOP=GNOME XDG_DATA_HOME="$stage/no-data" XDG_DATA_DIRS="$data" \
                xdg-mime query filetype "$files/part.$ending")
        [ "$typed" = text/x-gcode ] || { echo "part.$ending is typed $typed, not text/x-gcode"; return 1; }
    done
    grep -q '^MimeType=text/x-gcode;' "$stage/root/usr/share/applications/org.tamocnc.TamoCNC.desktop"
}

package_and_lint() {
    rm -f "$build"/tamocnc_*.deb
    cmake --build "$build" --target package >/dev/null
    local deb
    deb=$(ls "$build"/tamocnc_*.deb)
    dpkg-deb --field "$deb" Package Version Depends
    lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1 | { grep -v "^running with root privileges" || true; }
}

step "install into DESTDIR" install_into_stage
step "desktop entry, metadata and manual pages valid" validate_desktop_files
step "installed tamocnc-sim runs the installed samples" run_installed_samples
step "installed tamocnc shows the agreement offscreen" show_installed_agreement
step "G-code endings typed as TamoCNC's G-code" gcode_files_typed
step "Debian package and lintian" package_and_lint
