#!/usr/bin/env bash
# Builds the Debian package from a release build and checks what it holds.
#   package_test.sh BUILD_DIR WORK_DIR
set -uo pipefail
build=$1
work=$2
fail=0
check() { if "$@"; then :; else echo "FAILED: $*" >&2; fail=1; fi; }

rm -rf "$work" && mkdir -p "$work"
command -v cpack >/dev/null || { echo "no cpack: skipped"; exit 77; }
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log 2>&1) ||
  { echo "cpack failed:"; tail -20 "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/cinderpath_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "no cinderpath_*.deb was made"; exit 1; }
echo "package: $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/cinderpath \
         /usr/lib/cinderpath/libmacos_compat.so \
         /usr/lib/cinderpath/Cinderpath.component/Contents/Info.plist \
         /usr/lib/cinderpath/Cinderpath.component/Contents/Linux/Cinderpath.so \
         /usr/lib/cinderpath/Cinderpath.component/Contents/Resources/Back.png \
         /usr/lib/lv2/Cinderpath.lv2/manifest.ttl /usr/lib/lv2/Cinderpath.lv2/Cinderpath.ttl \
         /usr/lib/lv2/Cinderpath.lv2/presets.ttl /usr/lib/lv2/Cinderpath.lv2/Cinderpath.so \
         /usr/lib/lv2/Cinderpath.lv2/Cinderpath_ui.so /usr/lib/lv2/Cinderpath.lv2/resources/img/Back.png \
         /usr/share/man/man1/cinderpath.1.gz /usr/share/doc/cinderpath/copyright \
         /usr/share/doc/cinderpath/changelog.gz; do
  check grep -qx "$f" "$work/files"
done
# Nothing for developers or from the build tree: no headers, static
# libraries, tests or /usr/local.
check test -z "$(grep -E '\.(a|h)$|/include/|/usr/local|_test' "$work/files")"
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for lib in libc6 libsndfile1 libx11-6 libfreetype6; do check grep -q "$lib" <<<"$depends"; done
check grep -q "MIT License" <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/cinderpath/copyright)

# Unpacked, the command finds its library and bundle beside it, and an LV2
# host finds the plug-in in the package's lv2 folder.
root="$work/root"
dpkg-deb -x "$deb" "$root"
check grep -q "factory presets (16)" <("$root/usr/bin/cinderpath" info 2>&1)
check grep -q "cinderpath render" <(zcat "$root/usr/share/man/man1/cinderpath.1.gz")
if command -v lv2ls >/dev/null; then
  check grep -q "https://cinderpath.example/lv2/cinderpath" <(LV2_PATH="$root/usr/lib/lv2" lv2ls)
fi
if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
  if grep -q '^E:' "$work/lintian.log"; then echo "lintian errors:"; grep '^E:' "$work/lintian.log"; fail=1; fi
  grep '^W:' "$work/lintian.log" || true
fi
[ $fail -eq 0 ] && echo "package checked"
exit $fail
