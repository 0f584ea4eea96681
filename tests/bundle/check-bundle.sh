#!/usr/bin/env bash
# check-bundle.sh SOURCE_DIR LINUX_INSTALLER
# Bundles the installer into a temporary directory and checks that, with that directory as the
# library path, every library resolves from the bundle or from the allowed base list, that no
# bundled file is a link, and that the platform plug-in comes from the bundle; the same for the
# zstd program that every archive carries.
set -euo pipefail
source_dir=$1
installer=$2
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

bundle=$work/installer
mkdir -p "$bundle"
cp -- "$installer" "$bundle/LinuxInstaller"
"$source_dir/tools/bundle-libraries" "$bundle"
mapfile -t base < <("$source_dir/tools/bundle-libraries" --list-base)

is_base() {
    local pattern
    for pattern in "${base[@]}"; do
        # shellcheck disable=SC2053
        [[ $1 == $pattern ]] && return 0
    done
    return 1
}

# Every object in DIR resolves its libraries from DIR or the base list, and none is a link.
check_directory() {
    local dir=$1 object name arrow path
    for object in "$dir"/*; do
        [[ -L $object ]] && fail "$object is a link"
        [[ -f $object ]] || fail "$object is not a regular file"
        case $object in *.so | *.so.* | */LinuxInstaller | */zstd) ;; *) continue ;; esac
        while read -r name arrow path _; do
            [[ $arrow == "=>" ]] || continue
            if [[ $path == "not" ]]; then
                fail "${object##*/}: $name not found"
            elif [[ $path != "$dir/"* ]] && ! is_base "$name"; then
                fail "${object##*/}: $name resolves outside the bundle: $path"
            fi
        done < <(LD_LIBRARY_PATH=$dir ldd "$object")
    done
}
check_directory "$bundle"

# The archives' own zstd, bundled as a tool.
"$source_dir/tools/bundle-libraries" --tool zstd "$work/tools"
check_directory "$work/tools"
LD_LIBRARY_PATH=$work/tools "$work/tools/zstd" --version >/dev/null || fail "the bundled zstd does not run"

for plugin in libqwayland-generic.so libxdg-shell.so libbradient.so libqxcb.so libqoffscreen.so; do
    [[ -f $bundle/$plugin ]] || fail "plug-in $plugin missing"
done

# The platform plug-in is taken from beside the executable.
echo 'Settings { product = P }' >"$work/installer.settings"
log=$(cd "$work" && DISPLAY=:0 QT_QPA_PLATFORM=offscreen QT_DEBUG_PLUGINS=1 \
    LD_LIBRARY_PATH=$bundle "$bundle/LinuxInstaller" --settings-file installer.settings --help 2>&1 >/dev/null) ||
    fail "the bundled installer did not run: $log"
grep -qF "\"$bundle/libqoffscreen.so\" loaded library" <<<"$log" ||
    fail "the platform plug-in did not come from the bundle: $(grep -i 'loaded library' <<<"$log")"

if [[ $failures -gt 0 ]]; then
    echo "$failures problem(s)"
    exit 1
fi
echo "bundle of $(ls "$bundle" | wc -l) files checked"
