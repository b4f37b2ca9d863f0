// The module image as a Windows program sees it: exports by ordinal and by
// name through the loader, and the version record through the version API.

#include "harness.h"

static const char* const exportsByOrdinal[] = {
    nullptr,     "colourB", "colourBx",  "colourG",  "colourGx",
    "colourHex", "colourR", "colourRGB", "colourRx", "getparam",
    "init",      "mousex",  "mousey"};

static void checkOrdinals(HMODULE module, Checks& checks) {
  for (int ordinal = 1; ordinal <= 12; ++ordinal) {
    char what[64];
    std::snprintf(what, sizeof what, "ordinal %d is %s", ordinal,
                  exportsByOrdinal[ordinal]);
    FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
    checks.truth(what, byOrdinal != nullptr &&
                           byOrdinal == GetProcAddress(
                                            module, exportsByOrdinal[ordinal]));
  }
  checks.truth("no ordinal 13",
               GetProcAddress(module, MAKEINTRESOURCEA(13)) == nullptr);
  const char* unknown[] = {"colourrgb", "Init", "colourHEX", "mouse", ""};
  for (const char* name : unknown) {
    char what[64];
    std::snprintf(what, sizeof what, "no export \"%s\"", name);
    checks.truth(what, GetProcAddress(module, name) == nullptr);
  }
}

static void checkVersionRecord(Checks& checks) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA("hoverhue.dll", &ignored);
  checks.truth("the version record has a size", size > 0);
  if (size == 0) return;
  char* record = new char[size];
  checks.truth("GetFileVersionInfo",
               GetFileVersionInfoA("hoverhue.dll", 0, size, record));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueA(record, "\\", reinterpret_cast<void**>(&fixed), &length) &&
      length >= sizeof *fixed) {
    checks.truth("file version 2.4.0.0", fixed->dwFileVersionMS == 0x20004 &&
                                             fixed->dwFileVersionLS == 0);
    checks.truth(
        "product version 2.4.0.0",
        fixed->dwProductVersionMS == 0x20004 && fixed->dwProductVersionLS == 0);
    checks.truth("flags: special build of mask 0x37",
                 fixed->dwFileFlags == 0x20 && fixed->dwFileFlagsMask == 0x37);
    checks.truth("OS 32-bit Windows, type and subtype unknown",
                 fixed->dwFileOS == 0x4 && fixed->dwFileType == 0 &&
                     fixed->dwFileSubtype == 0);
  } else {
    checks.truth("the fixed part reads back", false);
  }

  WORD* translation = nullptr;
  checks.truth(
      "one translation, 0x0C09 with code page 1200",
      VerQueryValueA(record, "\\VarFileInfo\\Translation",
                     reinterpret_cast<void**>(&translation), &length) &&
          length == 4 && translation[0] == 0x0C09 && translation[1] == 0x04B0);

  const char* fixedStrings[][2] = {{"FileVersion", "2, 4, 0, 0"},
                                   {"ProductVersion", "2, 4, 0, 0"},
                                   {"InternalName", "hoverhue"},
                                   {"OriginalFilename", "hoverhue"},
                                   {"ProductName", "hoverhue"}};
  for (const auto& entry : fixedStrings) {
    char query[96];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\0c0904b0\\%s",
                  entry[0]);
    char* value = nullptr;
    bool found = VerQueryValueA(record, query, reinterpret_cast<void**>(&value),
                                &length);
    checks.text(query, found ? value : nullptr, entry[1]);
  }
  delete[] record;
}

int main() {
  Checks checks;
  HMODULE module = LoadLibraryA("hoverhue.dll");
  checks.truth("LoadLibrary(hoverhue.dll)", module != nullptr);
  if (module != nullptr) checkOrdinals(module, checks);
  checkVersionRecord(checks);
  return checks.finish();
}
