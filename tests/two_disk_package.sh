#!/usr/bin/env bash
# Lays out a package of two disks in a folder, as an author makes one:
# SubDir1=HELP\ENGLISH, the driver into SYSTEM and its INF into INF,
# files compressed with mscompress (renamed NAME.EX_) and plain ones, the
# uninstaller and the companion program. The help file expands to 5,000
# bytes. The uninstaller is UNINSTAL.EXE given (this build's by default),
# compressed; make disks and make try-package put this build's in anyway.
# Its own side picture and logo are 16-colour BMPs, the logo's bottom rows
# in the colour key.
#
#   tests/two_disk_package.sh FOLDER [UNINSTAL.EXE]
set -eu
pkg=$1
uninstaller=${2:-$(cd "$(dirname "$0")/.." && pwd)/build/x86/UNINSTAL.EXE}
rm -rf "$pkg"
mkdir -p "$pkg/HELP/ENGLISH" "$pkg/SYSTEM" "$pkg/INF"
cat >"$pkg/SETUP.INF" <<'INF'
[Main]
ProductName=Acme Wheel
DefaultPath=C:\ACME
MinimumSpace=100
SidePicture=ACMESIDE.BMP
Logo=ACMELOGO.BMP
[Startup]
Title=Acme Wheel Mouse Setup
Mfg=Acme
MouseDriver=ACME.DRV
MouseInf=ACME.INF
DriverDate=01-02-1999
PS2InfSection=ACME_PS2
SerialInfSection=ACME_SER
PS2Name=Acme PS/2 Wheel Mouse
SeialName=Acme Serial Wheel Mouse
PnpID=ACM0001
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
# bytes that compress somewhat, the same every time
filler() { yes "$1" | head -c "$2"; }
filler "acme wheel program" 5000 >"$pkg/VARIRE.EXE"
filler "acme help" 5000 >"$pkg/HELP/ENGLISH/ACME.HLP"
filler "acme driver" 3000 >"$pkg/SYSTEM/ACME.DRV"
cp "$uninstaller" "$pkg/UNINSTAL.EXE"
for f in VARIRE.EXE UNINSTAL.EXE HELP/ENGLISH/ACME.HLP SYSTEM/ACME.DRV; do
    mscompress "$pkg/$f" && rm "$pkg/$f"
    mv "$pkg/${f}_" "$pkg/${f%?}_"      # mscompress writes NAME.EXT_; the script wants NAME.EX_
done
printf 'control panel page' >"$pkg/ZRPAGE.DLL"
printf 'Read me.\r\n' >"$pkg/README.TXT"
printf '[Version]\r\nSignature="$Chicago$"\r\n' >"$pkg/INF/ACME.INF"
python3 - "$pkg" <<'PY'
import os, struct, sys
def bmp(name, width, height, colour, key_rows):
    row = (width * 4 + 31) // 32 * 4
    palette = bytes([255, 0, 255, 0, colour[2], colour[1], colour[0], 0]) + bytes(14 * 4)
    offset = 14 + 40 + len(palette)
    pixels = b''.join(bytes(row) if y < key_rows else bytes([0x11] * (width // 2)).ljust(row, b'\0')
                      for y in range(height))
    with open(os.path.join(sys.argv[1], name), 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset))
        f.write(struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 0, 0, 0, 0))
        f.write(palette + pixels)
bmp('ACMESIDE.BMP', 118, 234, (0, 0, 128), 0)
bmp('ACMELOGO.BMP', 490, 43, (255, 255, 0), 5)
PY
