#!/usr/bin/env bash
# Builds the Debian package from this build tree into a temporary folder and
# reads it back the way dpkg and a desktop menu would.
#   CheckPackage.sh CPACK CPACK_CONFIG SOURCE_DIR man|noman
# (man when the build made the manual pages, that is when pandoc was found)
set -euo pipefail
cpack=$1
config=$2
source_dir=$3
with_man=$4

work=$(mktemp -d "${TMPDIR:-/tmp}/orvex-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! "$cpack" --config "$config" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack did not build the package" >&2
    exit 1
fi
debs=("$work"/out/orvex-commander_*_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    ls -l "$work/out" >&2
    echo "FAIL: expected one orvex-commander_VERSION_ARCH.deb" >&2
    exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"

# Every file and link the package holds, and nothing else: no tests,
# benchmarks or libraries from the build tree.
expected="./usr/bin/orvex-commander
./usr/bin/orvex-gateway
./usr/bin/orvex-register-sim
./usr/bin/orvexctl
./usr/lib/systemd/system/orvex-gateway.service
./usr/libexec/orvex-commander/orvex-xls-reader
./usr/share/applications/orvex-commander.desktop
./usr/share/bash-completion/completions/orvexctl
./usr/share/doc/orvex-commander/README.md
./usr/share/doc/orvex-commander/changelog.Debian.gz
./usr/share/doc/orvex-commander/copyright
./usr/share/doc/orvex-commander/docs/gateway.md
./usr/share/doc/orvex-commander/docs/history-admin.md
./usr/share/doc/orvex-commander/docs/orvexctl.md
./usr/share/doc/orvex-commander/docs/user-guide.md
./usr/share/doc/orvex-commander/examples/orvex-gateway.ini
./usr/share/icons/hicolor/256x256/apps/orvex-commander.png
./usr/share/icons/hicolor/48x48/apps/orvex-commander.png
./usr/share/icons/hicolor/scalable/apps/orvex-commander.svg
./usr/share/orvex-commander/help/en/orvexcmd.html
./usr/share/orvex-commander/help/sr/orvexcmd.html"
# The guide's pictures, whatever they are; HACKING.md is for the source tree only.
for image in "$source_dir"/docs/images/*.png; do
    [ -f "$image" ] && expected+=$'\n'"./usr/share/doc/orvex-commander/docs/images/$(basename "$image")"
done
if [ "$with_man" = man ]; then
    expected+=$'\n'"./usr/share/man/man1/orvex-commander.1.gz
./usr/share/man/man1/orvex-register-sim.1.gz
./usr/share/man/man1/orvexctl.1.gz
./usr/share/man/man8/orvex-gateway.8.gz"
else
    echo "pandoc not installed: the package has no manual pages"
fi
expected=$(echo "$expected" | LC_ALL=C sort)
dpkg-deb -c "$deb" >"$work/contents"
actual=$(awk '$1 !~ /^d/ { print $6 }' "$work/contents" | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
    fail "file list differs (< expected, > in the package):"
    diff <(echo "$expected") <(echo "$actual") >&2 || true
fi
for program in orvex-commander orvex-register-sim orvexctl orvex-gateway; do
    grep -Eq "^-rwxr-xr-x root/root .* \./usr/bin/$program\$" "$work/contents" ||
        fail "/usr/bin/$program is not an executable owned by root"
done
if grep -Ev ' root/root ' "$work/contents" >&2; then
    fail "files not owned by root"
fi

[ "$(dpkg-deb -f "$deb" Package)" = orvex-commander ] || fail "Package is not orvex-commander"
[ -n "$(dpkg-deb -f "$deb" Version)" ] || fail "no Version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "wrong Architecture"

# The Qt runtime and the spreadsheet libraries come from Debian's packages,
# as found by dpkg-shlibdeps on the programs themselves.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for runtime in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6printsupport6 \
    liborcus-0.17-0 libfreexl1 libzip4 'libxlsxwriter[0-9]+' libc6 'libstdc\+\+6' hicolor-icon-theme \
    libqt6sql6-sqlite libqt6httpserver6; do
    echo "$depends" | grep -Eq "(^|, )$runtime( \(|,|$)" || fail "Depends does not name $runtime"
done

dpkg-deb -x "$deb" "$work/root"
for program in bin/orvex-commander bin/orvex-register-sim bin/orvexctl bin/orvex-gateway \
    libexec/orvex-commander/orvex-xls-reader; do
    file -b "$work/root/usr/$program" | grep -q ', stripped' || fail "$program is not stripped"
done

# What a menu starts: the Exec line's program and the Icon must be in the package.
desktop=$work/root/usr/share/applications/orvex-commander.desktop
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | head -n 1)
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ "${exec_line%% *}" = orvex-commander ] || fail "Exec is '$exec_line', not orvex-commander"
case "$exec_line" in
*'--data-dir "~/.local/share/orvex-commander"'*) ;;
*) fail "Exec '$exec_line' does not keep the files in the user's data folder" ;;
esac
[ -x "$work/root/usr/bin/${exec_line%% *}" ] || fail "Exec program ${exec_line%% *} is not in /usr/bin"
[ -f "$work/root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon $icon has no scalable picture"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" >&2 || fail "desktop-file-validate refused the desktop entry"
else
    echo "desktop-file-validate not installed (desktop-file-utils): entry not validated"
fi

# The manual pages are read by man; the completion loads in bash.
if [ "$with_man" = man ]; then
    for page in man1/orvex-commander.1 man1/orvexctl.1 man1/orvex-register-sim.1 man8/orvex-gateway.8; do
        name=$(zcat "$work/root/usr/share/man/$page.gz" | sed -n 's/^\.TH "\{0,1\}\([^" ]*\).*/\1/p' | head -n 1)
        [ "$name" = "$(basename "${page%.*}" | tr '[:lower:]' '[:upper:]')" ] ||
            fail "$page.gz has title '$name'"
        zcat "$work/root/usr/share/man/$page.gz" | grep -q '^\.SH OPTIONS' || fail "$page.gz has no OPTIONS"
    done
fi
bash -c 'source "$1" && complete -p orvexctl' completion "$work/root/usr/share/bash-completion/completions/orvexctl" \
    >/dev/null || fail "the orvexctl completion does not load"

# The stripped programs still run: the command-line tool asks the register
# started inside it for its clock, the program prints its version without a display.
if ! clock=$(cd "$work" && timeout 60 "$work/root/usr/bin/orvexctl" --simulate clock 2>&1); then
    fail "packaged orvexctl --simulate clock failed: $clock"
fi
echo "orvexctl --simulate clock: $clock"
version=$(cd "$work" && timeout 60 "$work/root/usr/bin/orvex-commander" --version 2>&1) ||
    fail "packaged orvex-commander --version failed: $version"
echo "orvex-commander --version: $version"
gateway=$(timeout 60 "$work/root/usr/bin/orvex-gateway" --version 2>&1) ||
    fail "packaged orvex-gateway --version failed: $gateway"
echo "orvex-gateway --version: $gateway"
# The unit starts the installed program with the example settings' place.
grep -q '^ExecStart=/usr/bin/orvex-gateway --config /etc/orvex-gateway.ini' \
    "$work/root/usr/lib/systemd/system/orvex-gateway.service" || fail "the unit does not start /usr/bin/orvex-gateway"
# Started as the menu starts it, the program makes its data folder in the home
# folder and keeps pludb.dat there.
(cd "$work" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" QT_QPA_PLATFORM=offscreen timeout 120 \
    "$work/root/usr/bin/orvex-commander" --simulate --fresh --data-dir "~/.local/share/orvex-commander" \
    --screenshot "$work/shots" >/dev/null 2>&1) || fail "packaged orvex-commander did not start as the menu starts it"
[ -f "$work/home/.local/share/orvex-commander/pludb.dat" ] || fail "no pludb.dat in ~/.local/share/orvex-commander"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package checks passed"
