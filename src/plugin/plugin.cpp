#include "hoverhue.h"
#include "result_text.h"

static const char functionList[] =
    "mousex|mousey|colourRGB|colourR|colourG|colourB|"
    "colourHex|colourRx|colourGx|colourBx";

const char* HOVERHUE_CALL init() { return functionList; }

const char* HOVERHUE_CALL getparam(unsigned int) { return emptyText; }
