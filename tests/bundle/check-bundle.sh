#!/usr/bin/env bash
# check-bundle.sh SOURCE_DIR LINUX_INSTALLER: the bundled installer, and the zstd of every archive
# bundled as a tool, are regular files that take every library from beside themselves or the
# desktop's base list; the installer loads its platform plug-in from beside itself.
set -euo pipefail
tools=$1/tools
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

bundle=$work/installer
install -D -- "$2" "$bundle/LinuxInstaller"
"$tools/bundle-libraries" "$bundle"
"$tools/bundle-libraries" --tool zstd "$work/tools"
base="@($("$tools/bundle-libraries" --list-base | paste -sd'|'))"

for object in "$bundle"/* "$work"/tools/*; do
    [[ -f $object && ! -L $object ]] || fail "$object is a link or not a regular file"
    [[ $object == @(*.so|*.so.*|*/LinuxInstaller|*/zstd) ]] || continue
    while read -r name arrow path _; do
        # shellcheck disable=SC2053 # the base list holds patterns
        [[ $arrow != "=>" || ($path != not && ($path == "${object%/*}/"* || $name == $base)) ]] ||
            fail "${object##*/}: $name => $path"
    done < <(LD_LIBRARY_PATH=${object%/*} ldd "$object")
done
LD_LIBRARY_PATH=$work/tools "$work/tools/zstd" --version >/dev/null || fail "zstd does not run"
for plugin in libqwayland-generic.so libxdg-shell.so libbradient.so libqxcb.so libqoffscreen.so; do
    [[ -f $bundle/$plugin ]] || fail "plug-in $plugin missing"
done

echo 'Settings { product = P }' >"$work/installer.settings"
log=$(cd "$work" && DISPLAY=:0 QT_QPA_PLATFORM=offscreen QT_DEBUG_PLUGINS=1 \
    LD_LIBRARY_PATH=$bundle "$bundle/LinuxInstaller" --settings-file installer.settings --help \
    2>&1 >/dev/null) ||
    fail "the bundled installer did not run: $log"
grep -qF "\"$bundle/libqoffscreen.so\" loaded library" <<<"$log" ||
    fail "the platform plug-in did not come from the bundle: $(grep -i 'loaded library' <<<"$log")"

((failures == 0)) || { echo "$failures problem(s)"; exit 1; }
echo "bundle of $(ls "$bundle" | wc -l) files checked"
