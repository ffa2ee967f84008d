#!/usr/bin/env bash
# A module any Windows host can load: the four exports in order, and imports from system DLLs
# only (no mingw runtime DLLs beside it).
#   dll_check.sh PAGEWRIGHT.DLL OBJDUMP
set -euo pipefail
dll="$1"
objdump="$2"
exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    grep -o 'Dll[A-Za-z]*' | tr '\n' ' ' || true)
if [ "$exports" != "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ]; then
    echo "dll_check: $dll exports '$exports'" >&2
    exit 1
fi
imports=$("$objdump" -p "$dll" | sed -n 's/^\s*DLL Name: //p' | tr '[:lower:]' '[:upper:]' |
    grep -vxE 'KERNEL32.DLL|USER32.DLL|ADVAPI32.DLL|OLE32.DLL|OLEAUT32.DLL|MSVCRT.DLL' || true)
if [ -n "$imports" ]; then
    echo "dll_check: $dll needs DLLs that Windows does not have: $imports" >&2
    exit 1
fi
echo "dll_check: $dll exports the four entry points and imports system DLLs only"
