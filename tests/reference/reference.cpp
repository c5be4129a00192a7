#include "tests/reference/reference.h"

#include "field/field.h"

void referenceFrame(uint8_t out[300 * 400])
{
    for (int py = 0; py < 300; py++)
        for (int px = 0; px < 400; px++) {
            long double sum = 0;
            for (int k = 0; k < 6; k++)
                sum += puf[(py + 300 - pallerot[k].y) * 800 + (px + 400 - pallerot[k].x)];
            out[py * 400 + px] = (uint8_t)(sum > 255 ? 255 : sum);
        }
}
