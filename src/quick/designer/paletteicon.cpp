// vyrpaletteicon PICTURE PNG: writes a palette bitmap of the package (the text picture its
// resource script compiles: one letter a pixel from the standard 16-colour palette, '-'
// transparent) as a PNG for the QML designer's item library. As the palette shows it, the colour
// of the bottom-left pixel is transparent.
#include <QtCore/QFile>
#include <QtCore/QTextStream>
#include <QtGui/QImage>
#include <cstdio>
#include <vector>

namespace {

bool ColourOf(QChar Letter, QRgb& Colour) {
    static const struct {
        char Letter;
        QRgb Colour;
    } Palette[] = {{'K', 0xFF000000}, {'r', 0xFF800000}, {'g', 0xFF008000}, {'o', 0xFF808000}, {'n', 0xFF000080},
                   {'p', 0xFF800080}, {'t', 0xFF008080}, {'s', 0xFFC0C0C0}, {'d', 0xFF808080}, {'R', 0xFFFF0000},
                   {'G', 0xFF00FF00}, {'Y', 0xFFFFFF00}, {'B', 0xFF0000FF}, {'M', 0xFFFF00FF}, {'C', 0xFF00FFFF},
                   {'W', 0xFFFFFFFF}, {'-', 0x00000000}};
    for (const auto& Entry : Palette) {
        if (Letter == QLatin1Char(Entry.Letter)) {
            Colour = Entry.Colour;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: vyrpaletteicon PICTURE PNG\n");
        return 2;
    }
    QFile In(QString::fromLocal8Bit(argv[1]));
    if (!In.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "vyrpaletteicon: %s: cannot be read\n", argv[1]);
        return 1;
    }
    std::vector<QString> Rows;
    QTextStream Stream(&In);
    while (!Stream.atEnd()) {
        const QString Line = Stream.readLine().trimmed();
        if (!Line.isEmpty() && !Line.startsWith(QLatin1Char('#'))) Rows.push_back(Line);
    }
    if (Rows.empty() || Rows[0].isEmpty()) {
        std::fprintf(stderr, "vyrpaletteicon: %s: no picture\n", argv[1]);
        return 1;
    }
    const int W = static_cast<int>(Rows[0].size());
    const int H = static_cast<int>(Rows.size());
    QImage Image(W, H, QImage::Format_ARGB32);
    QRgb Transparent = 0;
    for (int Y = 0; Y < H; ++Y) {
        const QString& Row = Rows[static_cast<std::size_t>(Y)];
        if (Row.size() != W) {
            std::fprintf(stderr, "vyrpaletteicon: %s: row %d is not %d pixels wide\n", argv[1], Y + 1, W);
            return 1;
        }
        for (int X = 0; X < W; ++X) {
            QRgb Colour = 0;
            if (!ColourOf(Row[X], Colour)) {
                std::fprintf(stderr, "vyrpaletteicon: %s: row %d: '%c' is no palette colour\n", argv[1], Y + 1,
                             Row[X].toLatin1());
                return 1;
            }
            Image.setPixel(X, Y, Colour);
        }
    }
    Transparent = Image.pixel(0, H - 1);
    for (int Y = 0; Y < H; ++Y) {
        for (int X = 0; X < W; ++X) {
            if (Image.pixel(X, Y) == Transparent) Image.setPixel(X, Y, 0);
        }
    }
    if (!Image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "vyrpaletteicon: %s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
