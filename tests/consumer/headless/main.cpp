// A program written against the installed headers and libraries: builds a matrix on a shown
// headless form, types into it and checks the picture it shows, and writes its glyph table as a
// BDF font and reads it back through the font library. Exit 0 when all is as expected.
#include <cstdint>
#include <cstdio>
#include <set>
#include <span>
#include <string>

#include <vyr/Vyr.h>
#include <vyr/fonts/Fonts.h>
#include <vyr/headless/Headless.h>

namespace {

int Failures = 0;

void Expect(bool Condition, const char* What) {
    if (!Condition) {
        std::fprintf(stderr, "consumer_headless: %s\n", What);
        ++Failures;
    }
}

}  // namespace

int main() {
    vyr::headless::THeadlessWidgetSet Widgets;
    vyr::host::TForm Form(nullptr, Widgets);
    Form.Show();
    auto* Matrix = new vyr::TEditMatrix(&Form);
    Matrix->SetParent(&Form);
    Matrix->FSetText("Hi");
    vyr::host::SendKeyPress(*Matrix, '!');
    Widgets.ProcessMessages();

    Expect(Matrix->Text().size() == 3 && Matrix->Text().find('!') != std::string::npos, "typing inserts the character");
    const vyr::host::TBitmap& Shown = vyr::headless::THeadlessWidgetSet::PeerOf(*Matrix)->Surface();
    Expect(Shown.Width() == Matrix->Width() && Shown.Height() == Matrix->Height(),
           "the window shows exactly the control's size");
    // Background, unlit and lit LEDs: at least three colours are shown.
    std::set<std::uint32_t> Colours;
    for (int Y = 0; Y < Shown.Height(); ++Y) {
        const std::uint8_t* Row = Shown.ScanLine(Y);
        for (int X = 0; X < Shown.Width(); ++X) {
            Colours.insert(std::uint32_t{Row[3 * X]} << 16 | std::uint32_t{Row[3 * X + 1]} << 8 | Row[3 * X + 2]);
        }
    }
    Expect(Colours.size() >= 3, "the picture shows background, unlit and lit LEDs");
    // The font library: the table as BDF, read back through FreeType, gives the same glyphs.
    const vyr::fonts::TGlyphTable Table = vyr::fonts::TableOf(*Matrix);
    const std::string Bdf = vyr::fonts::WriteBdf(Table, "ISO-8859-1");
    const vyr::fonts::TFont Font =
        vyr::fonts::ReadFont(std::span(reinterpret_cast<const std::uint8_t*>(Bdf.data()), Bdf.size()), "table.bdf",
                             vyr::fonts::TCodePage::Latin1());
    Expect(Font.Glyphs['A'] && (*Font.Glyphs['A'])[0] == Table[5 * 'A'], "a BDF round trip keeps the glyphs");
    std::printf("consumer_headless: %d x %d, %s\n", Shown.Width(), Shown.Height(), Failures ? "FAILED" : "ok");
    return Failures == 0 ? 0 : 1;
}
