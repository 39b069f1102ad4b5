#!/usr/bin/env bash
# Checks what `cmake --install` and the Debian package deliver, one part per
# call (the test name says which):
#   layout     a scratch prefix holds exactly the expected files, and the
#              installed program finds its version file there, also after
#              the whole prefix has been moved
#   metadata   desktop-file-validate and appstreamcli accept the desktop
#              entry and the AppStream metadata, which name what is installed
#              (all three programs among what it provides); the README
#              lists all three manual pages
#   pkgconfig  `pkg-config --cflags --libs tq402` against the prefix builds
#              a C client that runs on a virtual card
#   manpages   the pages render without warnings and name every option the
#              programs' --help lists, the files and environment variables
#   deb        the split packages (zembra, libtq402-1, libpx720dll1,
#              libtq402-dev) hold together exactly an install under /usr,
#              each with its copyright file and changelog; the libraries
#              have versioned sonames, an ldconfig trigger and no
#              maintainer scripts; the dependencies name Qt 6, its
#              translations and the CJK font; unpacked into a scratch root
#              the program finds its version file
#   lintian    lintian -I --pedantic finds no error and no warning in the
#              packages, and every other tag it shows is explained in
#              docs/packaging.md
# Environment (set by CTest): BUILD_DIR SOURCE_DIR BINDIR LIBDIR INCLUDEDIR
# DATADIR MANDIR APP_ID CC VERSION.
set -euo pipefail
part=${1:?part}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null || fail "$1 is missing (scripts/test installs it: $2)"; }

install_to() {  # prefix [destdir]
  if [ -n "${2:-}" ]; then
    DESTDIR="$2" cmake --install "$BUILD_DIR" --prefix "$1" >/dev/null
  else
    cmake --install "$BUILD_DIR" --prefix "$1" >/dev/null
  fi
}

# Files and links below a folder, relative to it, sorted.
listing() { (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort); }

expected_files() {
  local icons="$DATADIR/icons/hicolor"
  printf '%s\n' \
    "$BINDIR/zembra" "$BINDIR/zembra-vdrive" "$BINDIR/zembra-cli" \
    "$LIBDIR/libPX720DLL.so" "$LIBDIR/libPX720DLL.so.1" "$LIBDIR/libPX720DLL.so.$VERSION" \
    "$LIBDIR/libtq402.so" "$LIBDIR/libtq402.so.1" "$LIBDIR/libtq402.so.$VERSION" \
    "$LIBDIR/pkgconfig/PX720DLL.pc" "$LIBDIR/pkgconfig/tq402.pc" \
    "$INCLUDEDIR/bridgelib/PX720DLL.h" "$INCLUDEDIR/canlib/tq402.h" \
    "$DATADIR/zembra/QNVERSION.qni" \
    "$DATADIR/applications/$APP_ID.desktop" \
    "$DATADIR/metainfo/$APP_ID.metainfo.xml" \
    "$icons/scalable/apps/$APP_ID.svg" \
    "$MANDIR/man1/zembra.1.gz" "$MANDIR/man1/zembra-vdrive.1.gz" "$MANDIR/man1/zembra-cli.1.gz"
  for size in 16 24 32 48 64 128 256; do echo "$icons/${size}x${size}/apps/$APP_ID.png"; done
}

# The Debian packages of this build, in $work/debs.
make_debs() {
  "$SOURCE_DIR/scripts/make-debs" "$BUILD_DIR" "$work/debs" >/dev/null || fail "scripts/make-debs failed"
}

# The installed program names the version file it found, with a known version.
check_version_file() {  # prefix
  local out
  out=$("$1/$BINDIR/zembra" --version) || fail "zembra --version in $1 found no version file"
  grep -qF "$1/$DATADIR/zembra/QNVERSION.qni" <<<"$out" || fail "not the installed version file: $out"
  if grep -qF "未知" <<<"$out"; then fail "the version file was not accepted: $out"; fi
}

case "$part" in
layout)
  prefix="$work/prefix"
  install_to "$prefix"
  diff -u <(expected_files | LC_ALL=C sort) <(listing "$prefix") || fail "installed files differ from the expected ones"
  check_version_file "$prefix"
  mv "$prefix" "$work/moved"
  check_version_file "$work/moved"
  # No path of the build tree in what runs (the debugging sections may name sources).
  for f in "$BINDIR/zembra" "$BINDIR/zembra-vdrive" "$BINDIR/zembra-cli" "$LIBDIR/libtq402.so.$VERSION" "$LIBDIR/libPX720DLL.so.$VERSION"; do
    strip -o "$work/stripped" "$work/moved/$f"
    if grep -qaF "$SOURCE_DIR" "$work/stripped"; then fail "$f holds a path of the source or build tree"; fi
  done
  ;;
metadata)
  need desktop-file-validate desktop-file-utils
  need appstreamcli appstream
  prefix="$work/prefix"
  install_to "$prefix"
  desktop="$prefix/$DATADIR/applications/$APP_ID.desktop"
  metainfo="$prefix/$DATADIR/metainfo/$APP_ID.metainfo.xml"
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli rejects $metainfo"
  grep -qx 'Categories=Development;Electronics;' "$desktop" || fail "categories"
  grep -q '^Name=.*[A-Za-z]' "$desktop" || fail "no English name"
  grep -qx 'Name\[zh_CN\]=伺服运控管理系统' "$desktop" || fail "no Chinese name"
  exec_line=$(sed -n 's/^Exec=//p' "$desktop" | head -n1)
  [ -x "$prefix/$BINDIR/${exec_line%% *}" ] || fail "Exec=$exec_line is not an installed program"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -f "$prefix/$DATADIR/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no scalable icon"
  [ -f "$prefix/$DATADIR/icons/hicolor/48x48/apps/$icon.png" ] || fail "Icon=$icon has no 48x48 icon"
  grep -qF "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$metainfo" || fail "launchable"
  grep -qF "<id>$APP_ID</id>" "$metainfo" || fail "component id"
  for program in zembra zembra-cli zembra-vdrive; do
    grep -qF "<binary>$program</binary>" "$metainfo" || fail "the metadata's <provides> lacks $program"
  done
  # The manual pages the README lists are the ones installed.
  for page in zembra zembra-cli zembra-vdrive; do
    grep -qF "$page(1)" "$SOURCE_DIR/README.md" || fail "the README does not list $page(1)"
  done
  ;;
pkgconfig)
  need pkg-config pkg-config
  prefix="$work/prefix"
  install_to "$prefix"
  export PKG_CONFIG_PATH="$prefix/$LIBDIR/pkgconfig"
  flags=$(pkg-config --cflags --libs tq402) || fail "pkg-config does not know tq402"
  grep -qF -- "-I$prefix/$INCLUDEDIR" <<<"$flags" || fail "cflags: $flags"
  grep -qF -- "-L$prefix/$LIBDIR" <<<"$flags" || fail "libs: $flags"
  grep -qF -- "-ltq402" <<<"$flags" || fail "libs: $flags"
  pkg-config --exists PX720DLL || fail "pkg-config does not know PX720DLL"
  # The example client, built from the installed header and library alone.
  # shellcheck disable=SC2046
  "$CC" -std=c11 -o "$work/can_echo" "$SOURCE_DIR/examples/can_echo.c" $(pkg-config --cflags --libs tq402) \
    || fail "a C client does not build against the installed tq402"
  out=$(LD_LIBRARY_PATH="$prefix/$LIBDIR" PX720_VIRTUAL_CARDS=1 PX720_VIRTUAL_ECHO=1 "$work/can_echo") \
    || fail "the client built against the install fails: $out"
  grep -q "received id 0x124" <<<"$out" || fail "no echo: $out"
  ;;
manpages)
  need groff groff-base
  prefix="$work/prefix"
  install_to "$prefix"
  for page in zembra zembra-vdrive zembra-cli; do
    file="$prefix/$MANDIR/man1/$page.1.gz"
    warnings=$(zcat "$file" | LC_ALL=C.UTF-8 groff -k -t -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$page(1) renders with warnings: $warnings"
    zcat "$file" | LC_ALL=C.UTF-8 groff -k -t -man -Tutf8 2>/dev/null | sed 's/.\x08//g' >"$work/$page.txt"
    options=$("$prefix/$BINDIR/$page" --help | grep -oE '(^|[ ,])(--[a-z][a-z-]*|-[a-z]|/[A-Z]+)\b' | tr -d ' ,' | sort -u)
    [ -n "$options" ] || fail "$page --help lists no options"
    for option in $options; do
      grep -qF -- "$option" "$work/$page.txt" || fail "$page(1) does not describe $option"
    done
  done
  for name in Zembra.conf QNVERSION.qni PX720_VIRTUAL_CARDS PX720_VIRTUAL_ECHO; do
    grep -qF "$name" "$work/zembra.txt" || fail "zembra(1) does not name $name"
  done
  ;;
deb)
  need dpkg-deb dpkg
  need dpkg-shlibdeps dpkg-dev
  make_debs
  for pkg in zembra libtq402-1 libpx720dll1 libtq402-dev; do
    deb="$work/debs/${pkg}_${VERSION}_$(dpkg --print-architecture).deb"
    [ -f "$deb" ] || fail "no package $pkg"
    [ "$(dpkg-deb -f "$deb" Package)" = "$pkg" ] || fail "package name of $deb"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' >>"$work/deb.list"
    dpkg-deb -c "$deb" >"$work/contents-$pkg"
    for doc in copyright changelog.gz; do
      grep -q " \./usr/share/doc/$pkg/$doc\$" "$work/contents-$pkg" || fail "$pkg has no $doc"
    done
    dpkg-deb -e "$deb" "$work/control-$pkg"
    for script in preinst postinst prerm postrm; do
      [ ! -e "$work/control-$pkg/$script" ] || fail "$pkg has a maintainer script $script"
    done
    awk '/^Description:/ {d = 1} d && length > 80 {exit 1} /^[A-Z]/ && !/^Description:/ {d = 0}' \
      "$work/control-$pkg/control" || fail "$pkg's description has lines over 80 columns"
  done
  for lib in libtq402-1:libtq402.so.1 libpx720dll1:libPX720DLL.so.1; do
    pkg=${lib%%:*}
    grep -qx "activate-noawait ldconfig" "$work/control-$pkg/triggers" || fail "$pkg has no ldconfig trigger"
    grep -q "^${lib#*:} $pkg " "$work/control-$pkg/symbols" || fail "$pkg's symbols file does not name ${lib#*:}"
    file=$(awk '$1 !~ /^[dl]/ {print $6}' "$work/contents-$pkg" | grep '\.so\.')
    dpkg-deb -x "$work/debs/${pkg}_"*.deb "$work/lib-$pkg"
    soname=$(objdump -p "$work/lib-$pkg/$file" | awk '$1 == "SONAME" {print $2}')
    [ "$soname" = "${lib#*:}" ] || fail "$pkg's library has the soname $soname"
  done
  [ "$(grep -c ' -> libtq402.so.1$\| -> libPX720DLL.so.1$' "$work/contents-libtq402-dev")" = 2 ] \
    || fail "the development package lacks the link-time names"
  depends=$(dpkg-deb -f "$work/debs/zembra_"*.deb Depends)
  for dep in fonts-noto-cjk qt6-translations-l10n qt6-qpa-plugins libqt6widgets6 libqt6gui6 libqt6core6 libqt6serialport6; do
    grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "zembra's Depends lacks $dep: $depends"
  done
  grep -qE "(^|, )libpx720dll1 \(>= $VERSION\)" <<<"$(dpkg-deb -f "$work/debs/libtq402-1_"*.deb Depends)" \
    || fail "libtq402-1 does not depend on libpx720dll1"
  grep -v '^usr/share/doc/' "$work/deb.list" | LC_ALL=C sort >"$work/deb.sorted"
  install_to /usr "$work/stage"
  listing "$work/stage" >"$work/install.list"
  diff -u "$work/install.list" "$work/deb.sorted" || fail "the packages' files differ from an install under /usr"
  for deb in "$work"/debs/*.deb; do dpkg -x "$deb" "$work/root"; done
  check_version_file "$work/root/usr"
  ;;
lintian)
  need lintian lintian
  make_debs
  lintian -I --pedantic --no-tag-display-limit "$work"/debs/*.deb >"$work/lintian.out" 2>&1 || true
  cat "$work/lintian.out"
  if grep -E '^[EW]: ' "$work/lintian.out"; then fail "lintian finds errors or warnings"; fi
  for tag in $(sed -nE 's/^[IPX]: [^ ]+: ([a-z0-9-]+).*/\1/p' "$work/lintian.out" | sort -u); do
    grep -qF -- "\`$tag\`" "$SOURCE_DIR/docs/packaging.md" || fail "lintian's tag $tag is not explained in docs/packaging.md"
  done
  ;;
*)
  fail "unknown part $part"
  ;;
esac
echo "ok: $part"
