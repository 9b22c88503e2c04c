#include "gif_encoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <unordered_map>

#include "vyr/host/FileIo.h"

namespace vyr::cli {

namespace {

using host::TColor;

int Channel(TColor C, int Index) { return static_cast<int>((C >> (8 * Index)) & 0xFF); }

// Distinct colours of an image with their counts, stopping once Limit is exceeded.
std::unordered_map<TColor, std::size_t> CountColours(const TRgbImage& Image, std::size_t Limit) {
    std::unordered_map<TColor, std::size_t> Counts;
    for (int y = 0; y < Image.Height; ++y) {
        for (int x = 0; x < Image.Width; ++x) {
            ++Counts[Image.At(x, y)];
            if (Counts.size() > Limit) return Counts;
        }
    }
    return Counts;
}

struct TBox {
    std::vector<std::pair<TColor, std::size_t>> Colours;
    [[nodiscard]] int WidestChannel(int& Range) const {
        int Best = 0;
        Range = -1;
        for (int c = 0; c < 3; ++c) {
            int Lo = 255;
            int Hi = 0;
            for (const auto& [Colour, Count] : Colours) {
                Lo = std::min(Lo, Channel(Colour, c));
                Hi = std::max(Hi, Channel(Colour, c));
            }
            if (Hi - Lo > Range) {
                Range = Hi - Lo;
                Best = c;
            }
        }
        return Best;
    }
    [[nodiscard]] TColor Mean() const {
        double Sum[3] = {0, 0, 0};
        double Total = 0;
        for (const auto& [Colour, Count] : Colours) {
            for (int c = 0; c < 3; ++c) Sum[c] += static_cast<double>(Channel(Colour, c)) * static_cast<double>(Count);
            Total += static_cast<double>(Count);
        }
        TColor Result = 0;
        for (int c = 0; c < 3; ++c) {
            Result |= static_cast<TColor>(std::lround(Sum[c] / Total)) << (8 * c);
        }
        return Result;
    }
};

std::string GifErrorText(int Code) {
    const char* Text = GifErrorString(Code);
    return Text ? Text : "giflib error " + std::to_string(Code);
}

struct TMapDeleter {
    void operator()(ColorMapObject* Map) const { GifFreeMapObject(Map); }
};
using TColorMap = std::unique_ptr<ColorMapObject, TMapDeleter>;

TColorMap MakeColorMap(const std::vector<TColor>& Palette) {
    // giflib wants a power of two of at least 2 entries; the spare ones are black.
    int Size = 2;
    while (Size < static_cast<int>(Palette.size())) Size *= 2;
    std::vector<GifColorType> Entries(static_cast<std::size_t>(Size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < Palette.size(); ++i) {
        Entries[i].Red = static_cast<GifByteType>(Channel(Palette[i], 0));
        Entries[i].Green = static_cast<GifByteType>(Channel(Palette[i], 1));
        Entries[i].Blue = static_cast<GifByteType>(Channel(Palette[i], 2));
    }
    return TColorMap(GifMakeMapObject(Size, Entries.data()));
}

// Each pixel as its index in Palette (exact when the colour is in it, else the nearest).
std::vector<GifByteType> Indexed(const TRgbImage& Image, const std::vector<TColor>& Palette) {
    std::unordered_map<TColor, GifByteType> Index;
    for (std::size_t i = 0; i < Palette.size(); ++i) Index.emplace(Palette[i], static_cast<GifByteType>(i));
    std::vector<GifByteType> Pixels(static_cast<std::size_t>(Image.Width) * static_cast<std::size_t>(Image.Height));
    std::size_t O = 0;
    for (int y = 0; y < Image.Height; ++y) {
        for (int x = 0; x < Image.Width; ++x) {
            const TColor C = Image.At(x, y);
            auto It = Index.find(C);
            if (It == Index.end()) It = Index.emplace(C, static_cast<GifByteType>(NearestColour(Palette, C))).first;
            Pixels[O++] = It->second;
        }
    }
    return Pixels;
}

// Frame as large as Width x Height: its picture at the top left, the rest its background.
TRgbImage Padded(const TGifFrame& Frame, int Width, int Height) {
    TRgbImage Out;
    Out.Width = Width;
    Out.Height = Height;
    Out.Pixels.resize(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 3);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const TColor C =
                (x < Frame.Image.Width && y < Frame.Image.Height) ? Frame.Image.At(x, y) : Frame.Background;
            const std::size_t I =
                (static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)) * 3;
            Out.Pixels[I] = static_cast<std::uint8_t>(C & 0xFF);
            Out.Pixels[I + 1] = static_cast<std::uint8_t>((C >> 8) & 0xFF);
            Out.Pixels[I + 2] = static_cast<std::uint8_t>((C >> 16) & 0xFF);
        }
    }
    return Out;
}

// The GIF being written through a host::TFileWriter (atomic replace, or a stream into a device
// or FIFO); closing it is the only way giflib frees it.
class TGifWriter {
public:
    explicit TGifWriter(const std::string& Path) : FFile(Path) {
        int Error = 0;
        FGif = EGifOpen(&FFile, &TGifWriter::Output, &Error);
        if (!FGif) throw TImageError("cannot write " + Path + ": " + GifErrorText(Error));
    }
    ~TGifWriter() {
        if (FGif) {
            int Error = 0;
            EGifCloseFile(FGif, &Error);
        }
    }
    TGifWriter(const TGifWriter&) = delete;
    TGifWriter& operator=(const TGifWriter&) = delete;

    void Check(int Result) const {
        if (Result != GIF_ERROR) return;
        if (FFile.Failed()) FFile.RaiseFailure();
        throw TImageError("cannot write " + FFile.Path() + ": " + GifErrorText(FGif->Error));
    }
    [[nodiscard]] GifFileType* Get() const { return FGif; }
    void Close() {
        int Error = 0;
        GifFileType* Gif = FGif;
        FGif = nullptr;
        if (EGifCloseFile(Gif, &Error) == GIF_ERROR) {
            if (FFile.Failed()) FFile.RaiseFailure();
            throw TImageError("cannot write " + FFile.Path() + ": " + GifErrorText(Error));
        }
        FFile.Commit();
    }

private:
    // giflib's output callback: C code, so a failure is kept by the writer, not thrown.
    static int Output(GifFileType* Gif, const GifByteType* Data, int Length) {
        auto* File = static_cast<host::TFileWriter*>(Gif->UserData);
        return File->TryWrite(Data, static_cast<std::size_t>(Length)) ? Length : 0;
    }

    host::TFileWriter FFile;
    GifFileType* FGif = nullptr;
};

}  // namespace

std::size_t NearestColour(const std::vector<TColor>& Palette, TColor C) {
    std::size_t Best = 0;
    long Distance = -1;
    for (std::size_t i = 0; i < Palette.size(); ++i) {
        long D = 0;
        for (int c = 0; c < 3; ++c) {
            const long Delta = Channel(Palette[i], c) - Channel(C, c);
            D += Delta * Delta;
        }
        if (Distance < 0 || D < Distance) {
            Distance = D;
            Best = i;
        }
    }
    return Best;
}

std::vector<TColor> ReducedPalette(const TRgbImage& Image, std::size_t MaxColours) {
    const auto Counts = CountColours(Image, static_cast<std::size_t>(-1) - 1);
    std::vector<TBox> Boxes(1);
    Boxes[0].Colours.assign(Counts.begin(), Counts.end());
    std::sort(Boxes[0].Colours.begin(), Boxes[0].Colours.end());
    if (Boxes[0].Colours.size() <= MaxColours) {
        std::vector<TColor> Exact;
        for (const auto& [Colour, Count] : Boxes[0].Colours) Exact.push_back(Colour);
        return Exact;
    }
    // Split the box with the widest channel range at the weighted median until there are
    // enough boxes; each box then stands for its weighted mean colour.
    while (Boxes.size() < MaxColours) {
        std::size_t Pick = Boxes.size();
        int PickRange = 0;
        int PickChannel = 0;
        for (std::size_t i = 0; i < Boxes.size(); ++i) {
            if (Boxes[i].Colours.size() < 2) continue;
            int Range = 0;
            const int C = Boxes[i].WidestChannel(Range);
            if (Pick == Boxes.size() || Range > PickRange) {
                Pick = i;
                PickRange = Range;
                PickChannel = C;
            }
        }
        if (Pick == Boxes.size()) break;
        auto& Colours = Boxes[Pick].Colours;
        std::sort(Colours.begin(), Colours.end(), [&](const auto& A, const auto& B) {
            return Channel(A.first, PickChannel) < Channel(B.first, PickChannel);
        });
        std::size_t Total = 0;
        for (const auto& Entry : Colours) Total += Entry.second;
        std::size_t Running = 0;
        std::size_t Cut = 1;
        for (std::size_t i = 0; i + 1 < Colours.size(); ++i) {
            Running += Colours[i].second;
            Cut = i + 1;
            if (Running * 2 >= Total) break;
        }
        TBox Upper;
        Upper.Colours.assign(Colours.begin() + static_cast<std::ptrdiff_t>(Cut), Colours.end());
        Colours.resize(Cut);
        Boxes.push_back(std::move(Upper));
    }
    std::vector<TColor> Palette;
    Palette.reserve(Boxes.size());
    for (const auto& Box : Boxes) Palette.push_back(Box.Mean());
    return Palette;
}

void WriteGif(const std::string& Path, const std::vector<TGifFrame>& Frames) try {
    if (Frames.empty()) throw TImageError("cannot write " + Path + ": no frames");
    int Width = 1;
    int Height = 1;
    for (const auto& Frame : Frames) {
        Width = std::max(Width, Frame.Image.Width);
        Height = std::max(Height, Frame.Image.Height);
    }
    if (Width > 65535 || Height > 65535) {
        throw TImageError("cannot write " + Path + ": a GIF cannot hold a picture of " + std::to_string(Width) + "x" +
                          std::to_string(Height));
    }
    const auto Fills = [&](const TGifFrame& Frame) {
        return Frame.Image.Width != Width || Frame.Image.Height != Height;
    };

    // One global palette when every colour of the animation fits in it.
    std::map<TColor, int> AllColours;
    for (const auto& Frame : Frames) {
        for (const auto& [Colour, Count] : CountColours(Frame.Image, 256)) AllColours.emplace(Colour, 0);
        if (Fills(Frame)) AllColours.emplace(Frame.Background, 0);
        if (AllColours.size() > 256) break;
    }
    std::vector<TColor> Global;
    if (AllColours.size() <= 256) {
        for (const auto& Entry : AllColours) Global.push_back(Entry.first);
    }

    TGifWriter Gif(Path);
    EGifSetGifVersion(Gif.Get(), true);
    TColorMap GlobalMap = Global.empty() ? nullptr : MakeColorMap(Global);
    Gif.Check(EGifPutScreenDesc(Gif.Get(), Width, Height, 8, 0, GlobalMap.get()));

    // Loop for ever (the application extension browsers understand).
    static const GifByteType Netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType Loop[] = {1, 0, 0};
    Gif.Check(EGifPutExtensionLeader(Gif.Get(), APPLICATION_EXT_FUNC_CODE));
    Gif.Check(EGifPutExtensionBlock(Gif.Get(), sizeof Netscape, Netscape));
    Gif.Check(EGifPutExtensionBlock(Gif.Get(), sizeof Loop, Loop));
    Gif.Check(EGifPutExtensionTrailer(Gif.Get()));

    for (const auto& Listed : Frames) {
        // A smaller frame is filled up here, one at a time, so that only the pictures as taken
        // are held for the whole animation.
        const TGifFrame Filled =
            Fills(Listed) ? TGifFrame{Padded(Listed, Width, Height), Listed.DelayCs, Listed.Background} : TGifFrame{};
        const TGifFrame& Frame = Fills(Listed) ? Filled : Listed;
        GraphicsControlBlock Control{};
        Control.DisposalMode = DISPOSE_DO_NOT;
        Control.UserInputFlag = false;
        Control.DelayTime = std::clamp(Frame.DelayCs, 0, 65535);
        Control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType Extension[4];
        const std::size_t Length = EGifGCBToExtension(&Control, Extension);
        Gif.Check(EGifPutExtension(Gif.Get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(Length), Extension));

        std::vector<TColor> Local;
        TColorMap LocalMap;
        if (Global.empty()) {
            Local = ReducedPalette(Frame.Image, 256);
            LocalMap = MakeColorMap(Local);
        }
        const auto Pixels = Indexed(Frame.Image, Global.empty() ? Local : Global);
        Gif.Check(EGifPutImageDesc(Gif.Get(), 0, 0, Width, Height, false, LocalMap.get()));
        for (int y = 0; y < Height; ++y) {
            Gif.Check(EGifPutLine(
                Gif.Get(),
                const_cast<GifByteType*>(Pixels.data()) + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width),
                Width));
        }
    }
    Gif.Close();
} catch (const host::EFileError& E) {
    throw TImageError(E.what());
}

}  // namespace vyr::cli
