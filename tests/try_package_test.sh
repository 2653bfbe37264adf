#!/usr/bin/env bash
# make try-package on the sample package (a PS/2 mouse, the destination it
# proposes) and on a package of two disks made here (a serial mouse, a
# destination given, a nested help directory): each must exit 0, and its
# account must tell the files with their sizes, the values with what they
# replaced, the system.ini line, the restore record, and a machine that
# came back. Runs under Wine, in the project's prefix.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# try NAME PACKAGE [OPTIONS...]: the account in $work/NAME.txt, its status checked
try() {
    local name=$1 package=$2 status=0
    shift 2
    "$top/tools/try-package" "$package" --pictures "$work/$name-pictures" "$@" >"$work/$name.txt" 2>&1 || status=$?
    [ $status = 0 ] || fail "$name: exit status $status"
    pictures=$(ls "$work/$name-pictures" | grep -c '\.png$')
    [ "$pictures" = 8 ] || fail "$name: $pictures pictures, expected 8"
}
# says NAME LINE...: each line is in the account (letters in any case)
says() {
    local name=$1 line
    shift
    for line in "$@"; do
        grep -qiF -- "$line" "$work/$name.txt" || fail "$name: no line \"$line\""
    done
}
# nothing_after NAME HEADING: the account gives "(none)" under the heading
nothing_after() {
    local got
    got=$(grep -A1 -F -- "$2" "$work/$1.txt" | tail -1)
    [ "$got" = "  (none)" ] || fail "$1: under \"$2\": \"$got\""
}
size() { stat -c %s "$1"; }

"$top/tools/make-sample" "$work/sample"
try sample "$work/sample"
files=$top/sample/files
says sample \
    "completed C:\\VELTO\\VARIRE.EXE: $(size "$files/VARIRE.EXE") bytes" \
    "completed C:\\VELTO\\HELP\\ZRHELP.HLP: $(size "$files/HELP/ZRHELP.HLP") bytes" \
    "completed C:\\WINDOWS\\SYSTEM\\ZRMOUSE.DRV: $(size "$files/SYSTEM/ZRMOUSE.DRV") bytes" \
    "C:\\WINDOWS\\INF\\ZRMOUSE.INF ($(size "$files/INF/ZRMOUSE.INF") bytes, new)" \
    'sets HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Kestrel: DisplayName = "Velto" (was: it did not exist)' \
    'sets HKLM\Enum\BIOS\*PNP0F13\0000: DeviceDesc = "Velto PS/2 Wheel Mouse" (was: "Standard PS/2 Port Mouse")' \
    'replaces the system.ini mouse line "mouse=*vmouse, msmouse.vxd" with "mouse=*vmouse"' \
    'DeviceDesc=Standard PS/2 Port Mouse' \
    'question: Remove Velto and restore the previous mouse driver?' \
    'The installation completed, and the machine came back as it was before.'

"$top/tests/two_disk_package.sh" "$work/acme"
try acme "$work/acme" --mouse serial --dest 'C:\ACMETRY'
says acme \
    "mouse type page: Serial Mouse, Next" \
    "destination C:\\ACMETRY" \
    "makes directory C:\\ACMETRY\\HELP\\ENGLISH" \
    "completed C:\\ACMETRY\\HELP\\ENGLISH\\ACME.HLP: 5000 bytes" \
    "completed C:\\ACMETRY\\VARIRE.EXE: 5000 bytes" \
    "completed C:\\WINDOWS\\SYSTEM\\ACME.DRV: 3000 bytes" \
    'DisplayName = "Acme Wheel" (was: it did not exist)' \
    'DeviceDesc = "Acme Serial Wheel Mouse" (was: it did not exist)' \
    'question: Remove Acme Wheel and restore the previous mouse driver?' \
    'The installation completed, and the machine came back as it was before.'
for name in sample acme; do
    nothing_after $name "Registry keys and values that differ:"
    nothing_after $name "Files that differ:"
    nothing_after $name "system.ini lines that differ:"
done

if [ $failures != 0 ]; then
    for name in sample acme; do echo "---- $name"; cat "$work/$name.txt"; done
    exit 1
fi
echo "make try-package: the sample and a two-disk package installed, told and removed"
