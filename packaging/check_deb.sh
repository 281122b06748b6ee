#!/usr/bin/env bash
# Builds the Debian package from a finished build tree and checks what it holds and needs.
# Usage: check_deb.sh <cpack> <build-dir> <app-id> <source-icon>
# Exits 77, which CTest reports as skipped, where the Debian packaging tools are missing.
set -euo pipefail
cpack=$1 build=$2 app_id=$3 source_icon=$4

# cpack's Debian generator runs dpkg-shlibdeps, and file to find the programs to give it.
for tool in dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file; do
    if ! command -v "${tool%%:*}" >/dev/null; then
        echo "${tool%%:*} is not installed (Debian package ${tool#*:}): check skipped"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A separate output folder keeps the build tree free of packages and CPack's staging files.
if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
debs=("$work"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    cat "$work/cpack.log"
    echo "FAIL: expected one .deb, found: ${debs[*]}"
    exit 1
fi
deb=${debs[0]}
echo "Package: $(basename "$deb")"

faults=0
fault() {
    echo "FAIL: $*"
    faults=$((faults + 1))
}

# What a menu, a software centre and the user's shell look for.
listing=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
for path in \
    ./usr/bin/zumora \
    "./usr/share/applications/$app_id.desktop" \
    "./usr/share/metainfo/$app_id.metainfo.xml" \
    "./usr/share/icons/hicolor/32x32/apps/$app_id.png" \
    ./usr/share/man/man1/zumora.1.gz \
    ./usr/share/doc/zumora/copyright \
    ./usr/share/doc/zumora/changelog.gz; do
    grep -qxF -- "$path" <<<"$listing" || fault "package lacks $path"
done
# Nothing may land outside /usr, or under /usr/local, which belongs to the administrator.
if outside=$(grep -vE '^\./(usr/.*)?$' <<<"$listing"); then
    fault "package installs outside /usr: $outside"
fi
if grep -q '^\./usr/local' <<<"$listing"; then
    fault "package installs under /usr/local"
fi

# Fields are a comma-separated list of "name (version)" alternatives.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
has_dependency() {
    # Not grep -q: its early exit would break the pipe under pipefail.
    sed -E 's/[,|]/\n/g' <<<"$depends" | sed -E 's/^ *//; s/[ (].*$//' | grep -xF -- "$1" >/dev/null
}
# The windows are laid out for this font; no tool can infer it from the program.
has_dependency fonts-ipafont-gothic || fault "Depends lacks fonts-ipafont-gothic"
# Computed from the program's libraries by dpkg-shlibdeps.
has_dependency libqt6widgets6 || fault "Depends lacks libqt6widgets6 (shlibdeps not run?)"
for field in Package Version Architecture Maintainer Section Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fault "control field $field is empty"
done

dpkg-deb -x "$deb" "$work/root"
program_type=$(file -b "$work/root/usr/bin/zumora")
case $program_type in
    *"not stripped"*) fault "program is not stripped: $program_type" ;;
    *ELF*) ;;
    *) fault "program is not an ELF executable: $program_type" ;;
esac
[ -x "$work/root/usr/bin/zumora" ] || fault "program is not executable"
cmp -s "$source_icon" "$work/root/usr/share/icons/hicolor/32x32/apps/$app_id.png" ||
    fault "installed icon differs from $source_icon"

# The metainfo must find its desktop entry under the installed names.
if command -v appstreamcli >/dev/null; then
    appstreamcli validate-tree --no-net --strict "$work/root" || fault "appstreamcli validate-tree"
else
    echo "note: appstreamcli is not installed (Debian package appstream); installed tree not validated"
fi

# Debian's own package checker, where installed; its errors are policy faults, not taste.
if command -v lintian >/dev/null; then
    lintian_status=0
    lintian_options=(--fail-on error,warning)
    # A local build is signed by the builder's account on the build machine, an address
    # lintian rightly calls no public one; a release build sets DEBEMAIL (see CPackConfig.cmake).
    if [ "${ZUMORA_DEB_LOCAL_MAINTAINER:-OFF}" = ON ]; then
        echo "note: the maintainer is the local account $(dpkg-deb -f "$deb" Maintainer);" \
            "set DEBFULLNAME and DEBEMAIL to build a package for others"
        lintian_options+=(--suppress-tags
            bogus-mail-host,bogus-mail-host-in-debian-changelog,root-in-contact)
    fi
    lintian_report=$(lintian "${lintian_options[@]}" "$deb" 2>&1) || lintian_status=$?
    grep -v 'running with root privileges' <<<"$lintian_report" || true
    [ "$lintian_status" -eq 0 ] || fault "lintian reports errors or warnings"
else
    echo "note: lintian is not installed; Debian policy not checked"
fi

if [ "$faults" -ne 0 ]; then
    echo "$faults fault(s) in $(basename "$deb")"
    exit 1
fi
echo "Package checks passed"
