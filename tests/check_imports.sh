#!/bin/sh
# Fails when the executable imports a DLL outside the set that Windows always loads from
# System32 (the KnownDLLs), because any other DLL could be planted beside the installer.
objdump=$1
exe=$2
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll comdlg32.dll
shlwapi.dll msvcrt.dll rpcrt4.dll sechost.dll combase.dll imm32.dll setupapi.dll ws2_32.dll"
imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || { echo "no import table found in $exe"; exit 1; }
bad=0
for dll in $imports; do
    case " $(echo $allowed) " in
    *" $dll "*) echo "ok: $dll" ;;
    *) echo "NOT ALLOWED: $dll"; bad=1 ;;
    esac
done
exit $bad
