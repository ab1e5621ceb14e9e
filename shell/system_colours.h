// Wine's default system colours: the Windows program's dialog takes them
// from the system, and the Qt window's classic controls and the page's
// classic view draw it in the same ones (make_page.py reads this file).
#pragma once

#include <stdint.h>

// 0xFFRRGGBB, as Qt's QRgb holds a colour.
constexpr uint32_t SystemRgb(uint32_t r, uint32_t g, uint32_t b)
{
    return 0xFF000000u | r << 16 | g << 8 | b;
}

namespace SystemColour {
const uint32_t ButtonFace = SystemRgb(245, 245, 245);
const uint32_t ButtonHighlight = SystemRgb(255, 255, 255);
const uint32_t ButtonLight = SystemRgb(227, 227, 227);
const uint32_t ButtonShadow = SystemRgb(166, 166, 166);
const uint32_t ButtonDarkShadow = SystemRgb(106, 106, 106);
const uint32_t WindowFrame = SystemRgb(158, 158, 158);
const uint32_t ButtonText = SystemRgb(0, 0, 0);
}
