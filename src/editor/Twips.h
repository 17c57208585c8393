#pragma once

// The editor was laid out in twips; 15 twips make one pixel at 96 dots per inch.
inline int px(int twips)
{
    return (twips + 7) / 15;
}
