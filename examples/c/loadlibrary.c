/* Loads hoverhue.dll by name, as a host does, and prints every function's
 * answer as "name: text". Build with any C compiler for Windows, of the
 * host's bitness; no import library needed, and the header only for the
 * functions' type. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "hoverhue.h"

int main(void) {
  HMODULE library = LoadLibraryA("hoverhue.dll");
  if (library == NULL) {
    /* 193 means the DLL is of the other bitness than this program. */
    fprintf(stderr, "cannot load hoverhue.dll (error %lu)\n", GetLastError());
    return 1;
  }
  hoverhue_text_fn init =
      (hoverhue_text_fn)(void*)GetProcAddress(library, "init");
  char names[256];
  /* Copy what you keep: texts live until FreeLibrary, and are never freed. */
  strncpy(names, init(), sizeof names - 1);
  names[sizeof names - 1] = '\0';
  for (char* name = strtok(names, "|"); name; name = strtok(NULL, "|")) {
    hoverhue_text_fn value =
        (hoverhue_text_fn)(void*)GetProcAddress(library, name);
    printf("%s: %s\n", name, value());
  }
  FreeLibrary(library);
  return 0;
}
