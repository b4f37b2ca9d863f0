/* Built as C89 and as C++98, pedantic, warnings as errors: the public
 * header must compile in the oldest dialects a host may still use. */
#include "hoverhue.h"

hoverhue_text_fn valueFunctions[] = {init,     mousex,   mousey,  colourRGB,
                                     colourR,  colourG,  colourB, colourHex,
                                     colourRx, colourGx, colourBx};
hoverhue_param_fn parameterQuery = getparam;
