#!/usr/bin/env bash
# Builds the Debian package from a build folder (cpack -G DEB) and checks what it holds:
# every file in its place under /usr, the udev rule where udev reads it, the program stripped,
# dependencies from the shared libraries, and the desktop files valid for the desktop's tools.
#   check_package.sh BUILD_DIR WORK_DIR
set -uo pipefail
build=$1 work=$2
for tool in cpack dpkg-deb dpkg-shlibdeps file desktop-file-validate appstreamcli \
            update-mime-database man; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack"
    exit 1
fi
deb=$(ls "$work"/q7320_*_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { cat "$work/cpack.log"; echo "FAIL: no q7320_*.deb"; exit 1; }
echo "package: $deb ($(stat -c %s "$deb") bytes)"

# The file list, as dpkg-deb shows it ("./usr/bin/q7320 -> ../lib/q7320/q7320").
dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' >"$work/files"
cat "$work/files"
for f in ./usr/lib/q7320/q7320 \
         "./usr/bin/q7320 -> ../lib/q7320/q7320" \
         ./usr/lib/q7320/template/ \
         ./usr/share/q7320/Q7320HELP.htm \
         ./usr/share/q7320/help/main.png \
         ./usr/share/applications/org.q7320.q7320.desktop \
         ./usr/share/metainfo/org.q7320.q7320.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/q7320.svg \
         ./usr/share/mime/packages/q7320.xml \
         ./usr/share/man/man1/q7320.1.gz \
         ./usr/share/bash-completion/completions/q7320 \
         ./usr/lib/udev/rules.d/60-q7320.rules \
         ./usr/share/doc/q7320/copyright \
         ./usr/share/doc/q7320/changelog.gz; do
    grep -qxF -- "$f" "$work/files" || fail "missing $f"
done
grep -vE '^\./(usr/(bin|lib|share)(/.*)?|usr/?|)$' "$work/files" | grep -v '^\./$' |
    sed 's/^/FAIL: outside \/usr: /' | grep . && failures=$((failures + 1))
grep -q '/etc/' "$work/files" && fail "a file under /etc (the udev rule belongs in /usr/lib/udev)"

# Control fields: dependencies computed from the program's shared libraries.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libqt6printsupport6 libqt6svg6 libqcustomplot2.1-qt6 libhidapi-hidraw0 \
           libc6; do
    [[ $depends == *"$lib "* || $depends == *"$lib," || $depends == *"$lib" ]] ||
        fail "Depends lacks $lib"
done
[ "$(dpkg-deb -f "$deb" Package)" = q7320 ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Section)" = science ] || fail "section"
[[ $(dpkg-deb -f "$deb" Recommends) == *xdg-utils* ]] || fail "Recommends lacks xdg-utils"
dpkg-deb -e "$deb" "$work/control"
[ -x "$work/control/postinst" ] || fail "no postinst to reload the udev rules"

# The tree itself.
root=$work/root
dpkg-deb -x "$deb" "$root"
info=$(file -b "$root/usr/lib/q7320/q7320")
echo "program: $info, $(stat -c %s "$root/usr/lib/q7320/q7320") bytes"
[[ $info == *", stripped"* ]] || fail "the program is not stripped"
[ "$(stat -c %s "$root/usr/lib/q7320/q7320")" -lt 8000000 ] || fail "the program is too big"
grep -q 'TAG+="uaccess"' "$root/usr/lib/udev/rules.d/60-q7320.rules" || fail "udev rule"

desktop=$root/usr/share/applications/org.q7320.q7320.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=q7320 %F' "$desktop" || fail "Exec=q7320 %F"
grep -qx 'MimeType=application/x-q7320-collection;application/x-q7320-chart;' "$desktop" ||
    fail "MimeType="
grep -q '^Keywords=' "$desktop" || fail "Keywords="
metainfo=$root/usr/share/metainfo/org.q7320.q7320.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q '<launchable type="desktop-id">org.q7320.q7320.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch the desktop file"

# The MIME database built from the package's entry knows both file kinds by name.
mkdir -p "$work/mime/packages"
cp "$root/usr/share/mime/packages/q7320.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null 2>&1 || fail "update-mime-database"
grep -q ':application/x-q7320-collection:\*\.732' "$work/mime/globs2" || fail "no *.732 glob"
grep -q ':application/x-q7320-chart:\*\.ghf' "$work/mime/globs2" || fail "no *.ghf glob"

# The manual page reads without warnings and has a section for every command of the help.
page=$root/usr/share/man/man1/q7320.1.gz
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man --warnings: $warnings"
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null)
for command in $("$build/q7320" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p'); do
    grep -q "^   $command\$" <<<"$text" || fail "the manual page has no section for $command"
    grep -qF "Usage: q7320 $command" <<<"$text" || fail "the manual page lacks $command's usage"
done
for section in NAME SYNOPSIS DESCRIPTION COMMANDS FILES COPYRIGHT; do
    grep -q "^$section" <<<"$text" || fail "the manual page has no $section"
done
grep -q 'ABSOLUTELY NO WARRANTY' <<<"$text" || fail "the manual page lacks the warranty line"

# The udev rule follows the prefix of the install, not the one configured: udev reads
# /usr/lib/udev/rules.d, and /etc/udev/rules.d for every other prefix.
for case in "/usr:/usr/lib/udev/rules.d" "/opt/q7320:/etc/udev/rules.d"; do
    prefix=${case%%:*} rules=${case#*:}
    rm -rf "$work/install"
    DESTDIR=$work/install cmake --install "$build" --prefix "$prefix" >/dev/null ||
        fail "cmake --install --prefix $prefix"
    [ -f "$work/install$rules/60-q7320.rules" ] ||
        fail "with --prefix $prefix the rule is not in $rules: $(cd "$work/install" && find . -name '60-q7320.rules')"
done

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "package checked"
