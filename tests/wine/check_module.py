"""Checks the module image of hoverhue.dll field by field: what the loader,
a host and a person inspecting the file see.

Usage: check_module.py PATH_TO_DLL VERSION ARCH
  VERSION as in CMake (2.4.0); ARCH win32, win64 or arm64.
Needs Debian's python3-pefile (/usr/bin/python3).
"""
import os
import struct
import sys

import pefile

EXPORTS = ["colourB", "colourBx", "colourG", "colourGx", "colourHex", "colourR",
           "colourRGB", "colourRx", "getparam", "init", "mousex", "mousey"]
IMPORTS = {
    # The two look-ups find SetThreadDpiAwarenessContext where it exists;
    # HeapFree gives back a block of texts that lost the race to be used.
    "KERNEL32.DLL": {"GetModuleHandleW", "GetProcAddress", "HeapAlloc",
                     "HeapCreate", "HeapDestroy", "HeapFree"},
    "USER32.DLL": {"GetCursorPos", "GetDC", "ReleaseDC"},
    "GDI32.DLL": {"GetPixel"},
}
STRING_KEYS = ["Comments", "CompanyName", "FileDescription", "FileVersion",
               "InternalName", "LegalCopyright", "OriginalFilename",
               "ProductName", "ProductVersion", "SpecialBuild"]
# Every build fits in 8 KiB, unwind data included.
SIZE_LIMIT = 8 * 1024
LANGUAGE = 0x0C09


class Checks:
    def __init__(self):
        self.passed = self.failed = 0

    def equal(self, what, actual, expected):
        if actual == expected:
            self.passed += 1
        else:
            self.failed += 1
            print(f"FAIL {what}: expected {expected!r}, got {actual!r}")

    def true(self, what, ok):
        self.equal(what, bool(ok), True)


def text(raw):
    return raw.decode() if isinstance(raw, bytes) else raw


# Machine and optional header kind of each build.
ARCHITECTURES = {
    "win32": ("IMAGE_FILE_MACHINE_I386", pefile.OPTIONAL_HEADER_MAGIC_PE),
    "win64": ("IMAGE_FILE_MACHINE_AMD64", pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS),
    "arm64": ("IMAGE_FILE_MACHINE_ARM64", pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS),
}


def directory_size(pe, name):
    return pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY[name]].Size


def check_headers(pe, path, arch, checks):
    machine, magic = ARCHITECTURES[arch]
    checks.equal("machine", pe.FILE_HEADER.Machine,
                 pefile.MACHINE_TYPE[machine])
    checks.true("DLL flag", pe.is_dll())
    checks.equal("optional header kind", pe.OPTIONAL_HEADER.Magic, magic)
    # A time stamp would make two builds of one commit differ.
    checks.equal("header time stamp", pe.FILE_HEADER.TimeDateStamp, 0)
    # A host may load it anywhere in its address space.
    checks.true("base relocations", directory_size(pe, "IMAGE_DIRECTORY_ENTRY_BASERELOC"))
    if arch == "win32":
        # No SafeSEH table: the image registers no exception handler, and
        # says so rather than leaving a scanner to guess.
        checks.true("NO_SEH flag", pe.OPTIONAL_HEADER.DllCharacteristics & 0x400)
    size = os.path.getsize(path)
    checks.true(f"file size {size} at most {SIZE_LIMIT}", size <= SIZE_LIMIT)
    print(f"{path}: {size} bytes")


def unwind_starts(pe, arch):
    """The start addresses of the functions that .pdata describes: x64
    entries are 12 bytes (start, end, unwind info), ARM64 ones 8."""
    entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXCEPTION"]]
    if entry.Size == 0:
        return set()
    data = pe.get_data(entry.VirtualAddress, entry.Size)
    width = 12 if arch == "win64" else 8
    return {struct.unpack_from("<I", data, at)[0]
            for at in range(0, len(data) - width + 1, width)}


def check_unwind(pe, arch, checks):
    """On x64 and ARM64 Windows finds a frame's caller only through the
    unwind data of its function; a function without it is taken for a leaf,
    and an exception raised below the library (in a host's hook of a system
    call, say) cannot pass through to the host's own handler."""
    if arch == "win32":
        return
    starts = unwind_starts(pe, arch)
    print(f"unwind entries: {len(starts)}")
    # init and getparam only return a constant's address: leaves, which
    # need none. Every value function calls the system.
    for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols:
        name = text(symbol.name)
        if name not in ("init", "getparam"):
            checks.true(f"{name} has unwind data", symbol.address in starts)


def check_exports(pe, checks):
    directory = pe.DIRECTORY_ENTRY_EXPORT
    checks.equal("export table name",
                 text(pe.get_string_at_rva(directory.struct.Name)),
                 "hoverhue.dll")
    checks.equal("export time stamp", directory.struct.TimeDateStamp, 0)
    checks.equal("ordinal base", directory.struct.Base, 1)
    checks.equal("export slots", directory.struct.NumberOfFunctions, len(EXPORTS))
    names = [(s.ordinal, text(s.name)) for s in directory.symbols]
    checks.equal("exports by ordinal", names,
                 list(enumerate(EXPORTS, start=1)))
    code = [s for s in pe.sections
            if s.Characteristics & pefile.SECTION_CHARACTERISTICS[
                "IMAGE_SCN_MEM_EXECUTE"]]
    for symbol in directory.symbols:
        name = text(symbol.name)
        checks.true(f"{name} is no forwarder", symbol.forwarder is None)
        checks.true(f"{name} lies in executable code",
                    any(s.contains_rva(symbol.address) for s in code))


def check_imports(pe, checks):
    found = {}
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        found[text(entry.dll).upper()] = {
            text(i.name) if i.name else f"#{i.ordinal}" for i in entry.imports}
    checks.equal("imported libraries", sorted(found), sorted(IMPORTS))
    for library, functions in IMPORTS.items():
        checks.equal(f"functions from {library}",
                     sorted(found.get(library, ())), sorted(functions))


def check_resources(pe, checks):
    leaves = []
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                leaves.append((kind.id, name.id, language.id))
    checks.equal("resources (type, id, language)", leaves,
                 [(pefile.RESOURCE_TYPE["RT_VERSION"], 1, LANGUAGE)])


def check_version(pe, version, checks):
    major, minor, patch = (int(part) for part in version.split("."))
    fixed = pe.VS_FIXEDFILEINFO[0]
    expected_fixed = {
        "FileVersionMS": major << 16 | minor, "FileVersionLS": patch << 16,
        "ProductVersionMS": major << 16 | minor,
        "ProductVersionLS": patch << 16,
        "FileFlagsMask": 0x37, "FileFlags": 0x20, "FileOS": 0x4,
        "FileType": 0, "FileSubtype": 0, "FileDateMS": 0, "FileDateLS": 0,
    }
    for field, value in expected_fixed.items():
        checks.equal(f"fixed part {field}", getattr(fixed, field), value)

    string_tables, translations = [], []
    for info in pe.FileInfo[0]:
        if text(info.Key) == "StringFileInfo":
            string_tables += info.StringTable
        elif text(info.Key) == "VarFileInfo":
            translations += [v.entry for v in info.Var]
    checks.equal("string tables", [text(t.LangID) for t in string_tables],
                 ["0c0904b0"])
    checks.equal("translation entries", translations,
                 [{b"Translation": "0x0c09 0x04b0"}])
    if not string_tables:
        return
    entries = {text(k): text(v) for k, v in string_tables[0].entries.items()}
    checks.equal("string keys in order", list(entries), STRING_KEYS)
    numbers = f"{major}, {minor}, {patch}, 0"
    fixed_values = {"FileVersion": numbers, "ProductVersion": numbers,
                    "InternalName": "hoverhue", "OriginalFilename": "hoverhue",
                    "ProductName": "hoverhue"}
    for key in STRING_KEYS:
        value = entries.get(key, "")
        if key in fixed_values:
            checks.equal(f"string {key}", value, fixed_values[key])
        else:
            checks.true(f"string {key} is one non-empty line",
                        value.strip() and "\n" not in value)


def main():
    path, version, arch = sys.argv[1:4]
    pe = pefile.PE(path)
    checks = Checks()
    check_headers(pe, path, arch, checks)
    check_exports(pe, checks)
    check_unwind(pe, arch, checks)
    check_imports(pe, checks)
    check_resources(pe, checks)
    check_version(pe, version, checks)
    print(f"{checks.passed} passed, {checks.failed} failed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
