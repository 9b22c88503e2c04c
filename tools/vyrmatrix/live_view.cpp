#include "live_view.h"

#include "term_print.h"
#include "terminal.h"

namespace vyr::cli {

void TLiveView::Draw(const TRgbImage& Image, const std::string& Status) {
    const int Columns = TerminalColumns();
    std::string Out;
    if (FLines > 0) Out += "\r\x1b[" + std::to_string(FLines) + "A";
    std::string Picture = HalfBlockPicture(Image, Columns);
    // Clear what a wider earlier picture left to the right of each line.
    std::string Lines;
    for (const char Ch : Picture) {
        if (Ch == '\n') Lines += "\x1b[K";
        Lines += Ch;
    }
    Out += Lines;
    std::string Cut = Status;
    if (Columns > 0 && static_cast<int>(Cut.size()) >= Columns) {
        std::size_t Keep = static_cast<std::size_t>(Columns - 1);
        // Never cut a UTF-8 character in two.
        while (Keep > 0 && (static_cast<unsigned char>(Cut[Keep]) & 0xC0) == 0x80) --Keep;
        Cut.resize(Keep);
    }
    Out += Cut + "\x1b[K\n";
    // And the lines below, when the picture got shorter.
    Out += "\x1b[J";
    FLines = (Image.Height + 1) / 2 + 1;
    WriteOut(Out.data(), Out.size());
}

void TLiveView::Finish() { FLines = 0; }

}  // namespace vyr::cli
