// Fuzz target for the font readers (BDF and PCF through FreeType, PSF, gzip). Every input is
// either rejected with TFontError or read; a font that was read must export to BDF and read back
// to the same glyphs. Anything else (a crash, a sanitizer report, another exception) is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "vyr/fonts/Fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    using namespace vyr::fonts;
    static const TCodePage Latin1 = TCodePage::Latin1();
    // A Unicode font maps through the code page: a second page takes the other look-up path.
    static const TCodePage Cyrillic = TCodePage::Open("ISO-8859-5");
    const std::span<const std::uint8_t> Input(Data, Size);
    for (const TCodePage* Page : {&Latin1, &Cyrillic}) {
        TFont Font;
        try {
            Font = ReadFont(Input, "fuzz", *Page);
        } catch (const TFontError&) {
            continue;
        }
        if (Font.Report.Filled.size() + Font.Report.Missing.size() != 256) std::abort();
        TGlyphTable Table{};
        for (std::size_t Code = 0; Code < 256; ++Code)
            if (Font.Glyphs[Code])
                for (std::size_t K = 0; K < 5; ++K) Table[Code * 5 + K] = (*Font.Glyphs[Code])[K];
        const std::string Bdf = WriteBdf(Table, Page->Name());
        const TFont Again =
            ReadFont(std::span(reinterpret_cast<const std::uint8_t*>(Bdf.data()), Bdf.size()), "again", Latin1);
        for (std::size_t Code = 0; Code < 256; ++Code)
            for (std::size_t K = 0; K < 5; ++K)
                if (!Again.Glyphs[Code] || (*Again.Glyphs[Code])[K] != Table[Code * 5 + K]) std::abort();
    }
    // The text path of the code pages.
    const std::string Text(reinterpret_cast<const char*>(Data), Size);
    if (Cyrillic.Encode(Cyrillic.Decode(Cyrillic.Encode(Text))) != Cyrillic.Encode(Text)) std::abort();
    return 0;
}
