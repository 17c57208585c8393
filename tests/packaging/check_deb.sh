#!/usr/bin/env bash
# check_deb.sh BUILD-DIR VERSION EXPECT-MAN(ON|OFF) EXPECT-CLI(ON|OFF)
# Builds the package with cpack and checks what a user installs: file list, control fields,
# --version of each command-line program, and the verdict of Debian's own validators where
# they are installed (scripts/deps.sh installs them).
set -uo pipefail
build=$1 version=$2 expect_man=$3 expect_cli=$4
work="$build/packaging-test"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work"
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1
fi
deb="$work/quillbook_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$work"; echo "FAIL: no $deb"; exit 1; }

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quillbook ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Recommends)" = fonts-noto-cjk ] || fail "Recommends is '$(field Recommends)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
depends_names=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
# Each library the programs really link must come out of the shared-library scan (Debian 12 names).
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libsqlite3-0 libsodium23 libmdb3 libicu72 libc6; do
  grep -qx "$lib" <<<"$depends_names" || fail "Depends lacks $lib: $depends"
done

# File list.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#' | grep -v '/$' | sort >"$work/files"
expected=(
  /usr/bin/quillbook /usr/bin/qbf-jet-reader /usr/bin/rtfconv
  /usr/share/applications/quillbook.desktop
  /usr/share/metainfo/io.github.quillbook.quillbook.metainfo.xml
  /usr/share/mime/packages/quillbook.xml
  /usr/share/icons/hicolor/scalable/apps/quillbook.svg
  /usr/share/doc/quillbook/copyright /usr/share/doc/quillbook/changelog.gz
)
for size in 16 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/quillbook.png")
done
programs=(quillbook rtfconv qbf-jet-reader)
[ "$expect_cli" = ON ] && expected+=(/usr/bin/quillbook-cli) && programs+=(quillbook-cli)
if [ "$expect_man" = ON ]; then
  for p in "${programs[@]}"; do
    expected+=("/usr/share/man/man1/$p.1.gz" "/usr/share/man/zh_CN/man1/$p.1.gz")
  done
fi
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
if ! diff -u "$work/expected" "$work/files"; then
  fail "file list differs (- expected, + in the package)"
fi

# What got installed runs and names the project's version.
root="$work/root"
dpkg-deb -x "$deb" "$root"
for p in rtfconv qbf-jet-reader $([ "$expect_cli" = ON ] && echo quillbook-cli); do
  out=$("$root/usr/bin/$p" --version 2>&1)
  [ "$out" = "$p $version" ] || fail "$p --version says '$out'"
done
meta="$root/usr/share/metainfo/io.github.quillbook.quillbook.metainfo.xml"
grep -q "<release version=\"$version\"" "$meta" || fail "metainfo lacks release $version"
grep -q '<summary xml:lang="zh_CN">' "$meta" || fail "metainfo lacks a Chinese summary"

# Debian's validators, where installed.
if command -v desktop-file-validate >/dev/null; then
  out=$(desktop-file-validate "$root/usr/share/applications/quillbook.desktop" 2>&1)
  [ -z "$out" ] || fail "desktop-file-validate: $out"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$meta" >"$work/appstream.log" 2>&1 \
    || { cat "$work/appstream.log"; fail "appstreamcli validate"; }
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$root/usr/share/mime/packages/quillbook.xml" || fail "MIME file is not XML"
fi
if [ "$expect_man" = ON ] && command -v man >/dev/null; then
  for page in $(find "$root/usr/share/man" -name '*.1.gz'); do
    out=$(MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 "$page" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "man warns on ${page#$root}: $out"
  done
fi
if command -v lintian >/dev/null; then
  # Root may run lintian here: it only reads the package.
  lintian --allow-root --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
  cat "$work/lintian.log"
  grep -q '^E: ' "$work/lintian.log" && fail "lintian reports errors"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "package $(basename "$deb") checked"
