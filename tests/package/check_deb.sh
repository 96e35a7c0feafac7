#!/usr/bin/env bash
# Packages the build in $1 as users get it (cpack -G DEB), then checks the
# package $2 it must make: the files it holds, the unit naming the installed
# program, dependencies found from the linked libraries, and lintian's word
# (no errors).
set -euo pipefail
build=$1
name=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" > "$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  fail "cpack could not make the package"
}
deb=$work/$name
[ -f "$deb" ] || fail "no $name among: $(ls "$work")"

# Every file, and only these (directories aside).
expected="./usr/bin/pivora
./usr/lib/systemd/user/pivora.service
./usr/lib/udev/rules.d/70-pivora.rules
./usr/share/applications/pivora.desktop
./usr/share/doc/pivora/changelog.Debian.gz
./usr/share/doc/pivora/copyright
./usr/share/man/man1/pivora.1.gz"
for size in 16 24 32 48 64 128; do
  expected+=$'\n'"./usr/share/icons/hicolor/${size}x${size}/apps/pivora.png"
done
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
expected=$(sort <<< "$expected")
if [ "$actual" != "$expected" ]; then
  diff <(echo "$expected") <(echo "$actual") >&2 || true
  fail "the package's files differ from the expected ones (< expected, > found)"
fi

dpkg-deb -x "$deb" "$work/root"
grep -qx 'ExecStart=/usr/bin/pivora run' "$work/root/usr/lib/systemd/user/pivora.service" ||
  fail "the user unit does not start /usr/bin/pivora: $(grep ExecStart "$work/root/usr/lib/systemd/user/pivora.service")"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libcups2 libudev1 libglib2.0-0 libstdc++6 libgtk-3-0 libayatana-appindicator3-1 libxi6; do
  grep -q "$library" <<< "$depends" || fail "Depends lacks $library: $depends"
done
for field in Maintainer Section Description; do
  [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field"
done

# lintian warns that it runs as root; CI does, and the checks are the same.
status=0
lintian --fail-on error --tag-display-limit 0 "$deb" > "$work/lintian.log" 2>&1 || status=$?
cat "$work/lintian.log"
case $status in
  0) ;;
  2) fail "lintian reports errors" ;;
  *) fail "lintian did not run: status $status" ;;
esac
echo "$name: files, unit, dependencies and lintian as expected"
