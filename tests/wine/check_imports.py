"""Checks that hoverhue.dll stands alone: a 32-bit DLL that imports only the
three system libraries, and of USER32 and GDI32 only the four screen calls.

Usage: check_imports.py PATH_TO_DLL   (needs Debian's python3-pefile)
"""
import os
import sys

import pefile

ALLOWED = {
    "KERNEL32.DLL": None,  # any: the heap and nothing of a C runtime
    "USER32.DLL": {"GetCursorPos", "GetDC", "ReleaseDC"},
    "GDI32.DLL": {"GetPixel"},
}
SIZE_LIMIT = 16 * 1024


def problems(path):
    pe = pefile.PE(path)
    if pe.FILE_HEADER.Machine != pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]:
        yield "not an i386 image"
    if not pe.is_dll():
        yield "not a DLL"
    size = os.path.getsize(path)
    if size >= SIZE_LIMIT:
        yield f"{size} bytes, not under {SIZE_LIMIT}"
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        library = entry.dll.decode().upper()
        if library not in ALLOWED:
            yield f"imports {library}"
            continue
        allowed = ALLOWED[library]
        for imported in entry.imports:
            name = imported.name.decode() if imported.name else f"#{imported.ordinal}"
            if allowed is not None and name not in allowed:
                yield f"imports {library}!{name}"
    print(f"{path}: {size} bytes")


def main():
    found = list(problems(sys.argv[1]))
    for problem in found:
        print("FAIL", problem)
    print(f"{'0 passed, 1 failed' if found else '1 passed, 0 failed'}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
