#pragma once

#include "controls/Twips.h"

// The editor's design lengths are in twips.
inline int px(int twips)
{
    return Tools::TwipsToPixels(twips);
}
