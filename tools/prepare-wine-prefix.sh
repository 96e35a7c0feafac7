#!/usr/bin/env bash
# Prepares the Wine prefix build-windows/wine-prefix that the Windows tests
# and the two-computer run share: created on first use, set up for a run with
# no window manager, and holding the printer guard's registry fixture. Leaves
# no wineserver running on it.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$PWD

export WINEPREFIX=$root/build-windows/wine-prefix
export WINEDEBUG=-all
# Every wine call on one prefix must see the same TMPDIR: the wineserver's
# socket lives under it, and a different one starts a second server. A short
# fixed path keeps the socket path within the Unix limit.
TMPDIR=/tmp/pivora-wine-$(id -u)
export TMPDIR
# No Mono or Gecko install prompts while the prefix is created.
export WINEDLLOVERRIDES="mscoree=;mshtml="
mkdir -p "$TMPDIR"
chmod 700 "$TMPDIR"

trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "creating the Wine prefix ${WINEPREFIX#"$root"/}"
  wineboot -i
fi
# Both must be set before the wineserver that runs the tests starts: without a
# window manager, unmanaged windows avoid a 2 s stall on every hide; a crash
# must end the process, not open a dialog that waits forever.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
# The printer guard's registry fixture, at the very path the program reads.
# Wine 8's CurrentControlSet is a plain key, not a link to a numbered set (it
# has no ControlSet001), and its Enum has no USB or USBPRINT of its own. The
# old copy goes first, so the prefix holds exactly what the file holds,
# however often this runs.
fixture=$root/tests/fixtures/usbprint.reg
for key in 'HKLM\SYSTEM\CurrentControlSet\Enum\USBPRINT' 'HKLM\SYSTEM\CurrentControlSet\Enum\USB'; do
  wine reg delete "$key" /f >/dev/null 2>&1 || true
done
echo "importing ${fixture#"$root"/}"
wine reg import "$(winepath -w "$fixture")"
wineserver -k || true
wineserver -w
