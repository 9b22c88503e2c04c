#include "support/test_support.h"

namespace vyr::test {

TFormWithMatrix::TFormWithMatrix(int SiblingCount) {
    Form = std::make_unique<host::TForm>(nullptr, WidgetSet);
    Form->SetWidth(800);
    Form->SetHeight(600);
    Form->Show();
    Matrix = new TCountingMatrix(Form.get());
    Matrix->SetParent(Form.get());
    for (int i = 0; i < SiblingCount; ++i) {
        auto* Sibling = new host::TCustomControl(Form.get());
        Sibling->SetTabStop(true);
        Sibling->SetWidth(20);
        Sibling->SetHeight(20);
        Sibling->SetParent(Form.get());
        Siblings.push_back(Sibling);
    }
}

TFormWithMatrix::~TFormWithMatrix() = default;

headless::THeadlessPeer& TFormWithMatrix::Peer() const { return *headless::THeadlessWidgetSet::PeerOf(*Matrix); }

void TFormWithMatrix::ResetCounters() {
    Matrix->Paints = 0;
    Peer().ResetCounters();
}

std::vector<std::string> LedPicture(const host::TBitmap& Bitmap, const TEditMatrix& Matrix, int Columns, int Rows,
                                    TColor On, TColor Off) {
    const int S = Matrix.LEDSize();
    const int D = Matrix.LEDDistance();
    const int P = S + D;
    const int A = (S / 2) + (S % 2) - 1 + D;
    std::vector<std::string> Picture;
    for (int r = 0; r < Rows; ++r) {
        std::string Row;
        for (int c = 0; c < Columns; ++c) {
            const TColor C = Bitmap.Pixel(A + P * c, A + P * r);
            Row += C == (On & 0xFFFFFF) ? 'X' : C == (Off & 0xFFFFFF) ? '.' : '?';
        }
        Picture.push_back(Row);
    }
    return Picture;
}

std::vector<std::string> PixelPicture(const host::TBitmap& Bitmap, int Left, int Top, int Width, int Height,
                                      const std::vector<std::pair<TColor, char>>& Mapping) {
    std::vector<std::string> Picture;
    for (int y = Top; y < Top + Height; ++y) {
        std::string Row;
        for (int x = Left; x < Left + Width; ++x) {
            const TColor C = Bitmap.Pixel(x, y);
            char Ch = '?';
            for (const auto& [Colour, Mark] : Mapping) {
                if ((Colour & 0xFFFFFF) == C) {
                    Ch = Mark;
                    break;
                }
            }
            Row += Ch;
        }
        Picture.push_back(Row);
    }
    return Picture;
}

std::vector<std::string> GlyphPicture(const std::array<Byte, 5>& Columns) {
    std::vector<std::string> Picture(GlyphRows, std::string(5, '.'));
    for (int c = 0; c < 5; ++c) {
        for (int r = 0; r < GlyphRows; ++r) {
            if ((Columns[static_cast<std::size_t>(c)] >> (GlyphRows - 1 - r)) & 1) {
                Picture[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] = 'X';
            }
        }
    }
    return Picture;
}

}  // namespace vyr::test
