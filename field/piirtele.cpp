#include "field/field.h"

void piirtele(SDL_Surface *screen)
{
    for (int py = 0; py < 300; py++) {
        Uint8 *row = (Uint8 *)screen->pixels + py * screen->pitch;
        for (int px = 0; px < 400; px++) {
            long double sum = 0;
            for (int k = 0; k < 6; k++)
                sum += puf[(py + 300 - pallerot[k].y) * 800 + (px + 400 - pallerot[k].x)];
            if (sum > 255)
                sum = 255;
            row[px] = (Uint8)sum;
        }
    }
}
