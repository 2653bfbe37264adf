#!/usr/bin/env bash
# make disks on a two-disk package (tests/two_disk_package.sh: a nested
# help directory, the driver into SYSTEM and its INF into INF, compressed
# and plain files, the uninstaller and the companion program): each image's label
# and files read back with mdir; then a disk that does not fit a floppy,
# refused with no image written. Needs mtools and mscompress, not Wine.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

pkg=$work/pkg programs=$work/programs out=$work/disks
mkdir -p "$programs"
printf 'setup program' >"$programs/SETUP.EXE"
head -c 30000 /dev/urandom >"$programs/UNINSTAL.EXE"
printf 'an older uninstaller' >"$work/OLD.EXE"
"$top/tests/two_disk_package.sh" "$pkg" "$work/OLD.EXE"

"$top/tools/make-disks" "$pkg" --programs "$programs" --out "$out" >"$work/made.txt" || fail "make-disks refused the package"
cat "$work/made.txt"

# NAMES...: the names mdir lists in a directory of an image, in order
listing() { mdir -i "$1" -b "::$2" 2>&1 | sed 's|^::/||' | tr '\n' ' '; }
label() { mdir -i "$1" :: 2>&1 | sed -n 's/^ Volume in drive : is //p'; }
expect() { [ "$2" = "$3" ] || fail "$1: \"$2\", expected \"$3\""; }
expect "disk 1 label" "$(label "$out/DISK1.IMG")" "ACME DISK 1"
expect "disk 2 label" "$(label "$out/DISK2.IMG")" "ACME DISK 2"
expect "disk 1 root" "$(listing "$out/DISK1.IMG" /)" \
    "ACMELOGO.BMP ACMESIDE.BMP README.TXT SETUP.EXE SETUP.INF UNINSTAL.EX_ VARIRE.EX_ ZRPAGE.DLL "
expect "disk 2 root" "$(listing "$out/DISK2.IMG" /)" "HELP/ INF/ SYSTEM/ "
expect "disk 2 help" "$(listing "$out/DISK2.IMG" /HELP/ENGLISH)" "HELP/ENGLISH/ACME.HL_ "
expect "disk 2 driver" "$(listing "$out/DISK2.IMG" /SYSTEM)" "SYSTEM/ACME.DR_ "
expect "disk 2 INF" "$(listing "$out/DISK2.IMG" /INF)" "INF/ACME.INF "
# the uninstaller is the one of --programs, compressed as the record names it
mcopy -i "$out/DISK1.IMG" ::/UNINSTAL.EX_ "$work/UNINSTAL.EX_"
expect "UNINSTAL.EX_'s signature" "$(head -c 4 "$work/UNINSTAL.EX_")" "SZDD"
cp "$programs/UNINSTAL.EXE" "$work/NEW.EXE" && mscompress "$work/NEW.EXE"
cmp -s "$work/UNINSTAL.EX_" "$work/NEW.EXE_" || fail "UNINSTAL.EX_ on disk 1 is not the program's, compressed"
mcopy -i "$out/DISK1.IMG" ::/SETUP.EXE "$work/SETUP.EXE"
cmp -s "$work/SETUP.EXE" "$programs/SETUP.EXE" || fail "SETUP.EXE on disk 1 is not the program's"

# the room make-disks counts (which its refusal uses) is the room mtools leaves
for d in 1 2; do
    counted=$(sed -n "s|.*DISK$d.IMG .*, \([0-9,]*\) bytes free|\1|p" "$work/made.txt" | tr -d ,)
    free=$(mdir -i "$out/DISK$d.IMG" :: | sed -n 's/ *\([0-9 ]*\) bytes free/\1/p' | tr -d ' ')
    expect "disk $d free bytes, counted and by mdir" "$counted" "$free"
done

# Disk 2 made too big for a floppy: refused, and no image at all.
head -c 1500000 /dev/urandom >"$pkg/INF/ACME.INF"
message=$("$top/tools/make-disks" "$pkg" --programs "$programs" --out "$out" 2>&1)
status=$?
expect "status of the refusal" "$status" "1"
case "$message" in
    *"Disk2 does not fit a 1.44 MB floppy: its files take 1,503,744 bytes"*"No image written."*) ;;
    *) fail "refusal: $message" ;;
esac
images=$(ls "$out" | tr '\n' ' ')
expect "images after the refusal" "$images" ""

[ $failures = 0 ] && echo "make disks: labels, files and the refusal as expected"
exit $((failures > 0))
