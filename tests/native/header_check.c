/* Built as C89 and as C++98, pedantic, warnings as errors: the public
 * header must compile in the oldest dialects a host may still use, in its
 * Windows branch too (built here with __cdecl defined away, where MSVC and
 * MinGW give it meaning). */
#if defined(HOVERHUE_CHECK_NO_PROTOTYPES)
#define HOVERHUE_NO_PROTOTYPES
#include "hoverhue.h"

/* A host's own init, which the prototypes would clash with. */
int init(int argc);
int init(int argc) { return argc; }
hoverhue_text_fn valueFunction = 0;
hoverhue_param_fn parameterQuery = 0;
#else
#include "hoverhue.h"

hoverhue_text_fn valueFunctions[] = {init,     mousex,   mousey,  colourRGB,
                                     colourR,  colourG,  colourB, colourHex,
                                     colourRx, colourGx, colourBx};
hoverhue_param_fn parameterQuery = getparam;
#endif
