#!/usr/bin/env bash
# make disks on a two-disk package made here (a nested help directory,
# the driver into SYSTEM and its INF into INF, compressed and plain
# files, the uninstaller and the companion program): each image's label
# and files read back with mdir; then a disk that does not fit a floppy,
# refused with no image written. Needs mtools and mscompress, not Wine.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

pkg=$work/pkg programs=$work/programs out=$work/disks
mkdir -p "$pkg/HELP/ENGLISH" "$pkg/SYSTEM" "$pkg/INF" "$programs"
printf 'setup program' >"$programs/SETUP.EXE"
head -c 30000 /dev/urandom >"$programs/UNINSTAL.EXE"
cat >"$pkg/SETUP.INF" <<'INF'
[Main]
ProductName=Acme Wheel
DefaultPath=C:\ACME
[Startup]
MouseDriver=ACME.DRV
MouseInf=ACME.INF
[DiskLabel]
Disk1=Acme Disk 1
Disk2=Acme Disk 2
[DirectoryName]
RootDir=.
SubDir1=HELP\ENGLISH
WinSystemDir=SYSTEM
WinInfDir=INF
[FileCounts]
Disk1=4
Disk2=3
[Disk1]
1=VARIRE.EX_,VARIRE.EXE,Wheel mouse program,RootDir
2=ZRPAGE.DLL,ZRPAGE.DLL,Control panel page,RootDir
3=UNINSTAL.EX_,UNINSTAL.EXE,Uninstall program,RootDir
4=README.TXT,README.TXT,Read me,RootDir
[Disk2]
1=ACME.HL_,ACME.HLP,Help file,SubDir1
2=ACME.DR_,ACME.DRV,Mouse driver,WinSystemDir
3=ACME.INF,ACME.INF,Driver information,WinInfDir
INF
for f in VARIRE.EXE HELP/ENGLISH/ACME.HLP SYSTEM/ACME.DRV; do
    head -c 5000 /dev/urandom >"$pkg/$f"
    mscompress "$pkg/$f" && rm "$pkg/$f"
    mv "$pkg/${f}_" "$pkg/${f%?}_"
done
printf 'page' >"$pkg/ZRPAGE.DLL"
printf 'read me' >"$pkg/README.TXT"
printf '[Version]' >"$pkg/INF/ACME.INF"

"$top/tools/make-disks" "$pkg" --programs "$programs" --out "$out" || fail "make-disks refused the package"

# NAMES...: the names mdir lists in a directory of an image, in order
listing() { mdir -i "$1" -b "::$2" 2>&1 | sed 's|^::/||' | tr '\n' ' '; }
label() { mdir -i "$1" :: 2>&1 | sed -n 's/^ Volume in drive : is //p'; }
expect() { [ "$2" = "$3" ] || fail "$1: \"$2\", expected \"$3\""; }
expect "disk 1 label" "$(label "$out/DISK1.IMG")" "ACME DISK 1"
expect "disk 2 label" "$(label "$out/DISK2.IMG")" "ACME DISK 2"
expect "disk 1 root" "$(listing "$out/DISK1.IMG" /)" \
    "README.TXT SETUP.EXE SETUP.INF UNINSTAL.EX_ VARIRE.EX_ ZRPAGE.DLL "
expect "disk 2 root" "$(listing "$out/DISK2.IMG" /)" "HELP/ INF/ SYSTEM/ "
expect "disk 2 help" "$(listing "$out/DISK2.IMG" /HELP/ENGLISH)" "HELP/ENGLISH/ACME.HL_ "
expect "disk 2 driver" "$(listing "$out/DISK2.IMG" /SYSTEM)" "SYSTEM/ACME.DR_ "
expect "disk 2 INF" "$(listing "$out/DISK2.IMG" /INF)" "INF/ACME.INF "
# the uninstaller is the one of --programs, compressed as the record names it
mcopy -i "$out/DISK1.IMG" ::/UNINSTAL.EX_ "$work/UNINSTAL.EX_"
expect "UNINSTAL.EX_'s signature" "$(head -c 4 "$work/UNINSTAL.EX_")" "SZDD"
mcopy -i "$out/DISK1.IMG" ::/SETUP.EXE "$work/SETUP.EXE"
cmp -s "$work/SETUP.EXE" "$programs/SETUP.EXE" || fail "SETUP.EXE on disk 1 is not the program's"

# Disk 2 made too big for a floppy: refused, and no image at all.
head -c 1500000 /dev/urandom >"$pkg/INF/ACME.INF"
message=$("$top/tools/make-disks" "$pkg" --programs "$programs" --out "$out" 2>&1)
status=$?
expect "status of the refusal" "$status" "1"
case "$message" in
    *"Disk2 does not fit a 1.44 MB floppy: its files take 1,514,496 bytes"*"No image written."*) ;;
    *) fail "refusal: $message" ;;
esac
images=$(ls "$out" | tr '\n' ' ')
expect "images after the refusal" "$images" ""

[ $failures = 0 ] && echo "make disks: labels, files and the refusal as expected"
exit $((failures > 0))
