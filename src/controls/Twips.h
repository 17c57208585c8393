#pragma once

namespace Tools {

// The windows were designed in twips; 15 twips make one pixel at 96 dots per inch. Rounds to the
// nearest pixel for the non-negative lengths of the designs.
constexpr int TwipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

} // namespace Tools
