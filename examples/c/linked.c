/* Links to hoverhue.dll through its import library and header, with no
 * LoadLibrary: the DLL must sit beside the program (or on the PATH).
 *   MinGW:  gcc linked.c -I include libhoverhue.dll.a
 *   MSVC:   lib /def:hoverhue.def /machine:x86 (or x64), then
 *           cl linked.c /I include hoverhue.lib */
#include <stdio.h>

#include "hoverhue.h"

int main(void) {
  /* Each call samples the screen afresh; print now, free nothing. */
  printf("mousex: %s\n", mousex());
  printf("mousey: %s\n", mousey());
  printf("colourHex: %s\n", colourHex());
  return 0;
}
