#include "term_print.h"

#include <algorithm>

namespace vyr::cli {

namespace {

void AppendColour(std::string& Out, int Layer, host::TColor C) {
    Out += "\x1b[";
    Out += std::to_string(Layer);
    Out += ";2;";
    Out += std::to_string(C & 0xFF);
    Out += ';';
    Out += std::to_string((C >> 8) & 0xFF);
    Out += ';';
    Out += std::to_string((C >> 16) & 0xFF);
    Out += 'm';
}

}  // namespace

std::string HalfBlockPicture(const TRgbImage& Image, int MaxColumns) {
    const int Columns = MaxColumns > 0 ? std::min(Image.Width, MaxColumns) : Image.Width;
    std::string Out;
    for (int y = 0; y < Image.Height; y += 2) {
        // Colours are written only where they change along the line.
        long long LastFg = -1;
        long long LastBg = -1;
        for (int x = 0; x < Columns; ++x) {
            const host::TColor Upper = Image.At(x, y);
            if (Upper != LastFg) {
                AppendColour(Out, 38, Upper);
                LastFg = Upper;
            }
            if (y + 1 < Image.Height) {
                const host::TColor Lower = Image.At(x, y + 1);
                if (Lower != LastBg) {
                    AppendColour(Out, 48, Lower);
                    LastBg = Lower;
                }
            } else if (LastBg != -2) {
                Out += "\x1b[49m";
                LastBg = -2;
            }
            Out += "\u2580";
        }
        Out += "\x1b[0m\n";
    }
    return Out;
}

}  // namespace vyr::cli
