// rcgen: the resource compiler of the package build. Reads a resource script (see
// src/package/resources/VyrComponents.rc for the syntax) and writes a C++ source file that holds
// every resource as a byte array, the resource directory, the exported function
// "VyrResourceDirectory" and the image description (also in the section ".vyr_description").
//
//   rcgen SCRIPT OUTPUT.cpp
//
// Files named in the script are read relative to the script's folder. Any fault stops the build
// with "SCRIPT:LINE: message". The package information is encoded by the host library itself
// (BuildPackageInfo), so the package carries exactly what the host's package loader reads.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "vyr/host/FileIo.h"
#include "vyr/host/Package.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct TError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The standard 16-colour palette (red, green, blue) and the letters of the pixel maps.
constexpr const char* Letters = "KrgonptsdRGYBMCW";
constexpr std::uint8_t Palette[16][3] = {
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
};
constexpr int Transparent = -1;

void U16(Bytes& Out, unsigned V) {
    Out.push_back(static_cast<std::uint8_t>(V));
    Out.push_back(static_cast<std::uint8_t>(V >> 8));
}
void U32(Bytes& Out, std::uint32_t V) {
    for (int I = 0; I < 4; ++I) Out.push_back(static_cast<std::uint8_t>(V >> (8 * I)));
}

struct TPixelMap {
    int Width = 0;
    int Height = 0;
    std::vector<int> Index;  // palette index per pixel, rows from the top; Transparent
};

TPixelMap ReadPixelMap(const std::string& Path, bool AllowTransparent) {
    std::ifstream File(Path);
    if (!File) throw TError(Path + ": cannot open the pixel map: " + std::strerror(errno));
    TPixelMap Map;
    std::string Line;
    int LineNo = 0;
    while (std::getline(File, Line)) {
        ++LineNo;
        if (Line.empty() || Line[0] == '#') continue;
        if (Map.Width == 0) Map.Width = static_cast<int>(Line.size());
        if (static_cast<int>(Line.size()) != Map.Width)
            throw TError(Path + ":" + std::to_string(LineNo) + ": the rows differ in length");
        for (char C : Line) {
            if (C == '-' && AllowTransparent) {
                Map.Index.push_back(Transparent);
                continue;
            }
            const char* P = C != '\0' ? std::strchr(Letters, C) : nullptr;
            if (P == nullptr)
                throw TError(Path + ":" + std::to_string(LineNo) + ": unknown colour letter '" + std::string(1, C) +
                             "'");
            Map.Index.push_back(static_cast<int>(P - Letters));
        }
        ++Map.Height;
    }
    if (Map.Width == 0 || Map.Height == 0) throw TError(Path + ": no pixels");
    return Map;
}

// Information header and colour table of a 4-bit bitmap whose rows are stored bottom-up.
void DibHeader(Bytes& Out, const TPixelMap& Map, int StoredHeight, std::uint32_t ImageSize) {
    U32(Out, 40);
    U32(Out, static_cast<std::uint32_t>(Map.Width));
    U32(Out, static_cast<std::uint32_t>(StoredHeight));
    U16(Out, 1);  // planes
    U16(Out, 4);  // bits a pixel
    U32(Out, 0);  // no compression
    U32(Out, ImageSize);
    U32(Out, 0);
    U32(Out, 0);
    U32(Out, 16);  // colours used
    U32(Out, 0);
    for (const auto& C : Palette) {
        Out.push_back(C[2]);
        Out.push_back(C[1]);
        Out.push_back(C[0]);
        Out.push_back(0);
    }
}

std::size_t Stride(int Width, int Bits) { return ((static_cast<std::size_t>(Width) * Bits + 31) / 32) * 4; }

void ColourRows(Bytes& Out, const TPixelMap& Map) {
    for (int Y = Map.Height - 1; Y >= 0; --Y) {
        Bytes Row(Stride(Map.Width, 4), 0);
        for (int X = 0; X < Map.Width; ++X) {
            const int I = Map.Index[static_cast<std::size_t>(Y) * static_cast<std::size_t>(Map.Width) +
                                    static_cast<std::size_t>(X)];
            const auto Nibble = static_cast<std::uint8_t>(I == Transparent ? 0 : I);
            Row[static_cast<std::size_t>(X / 2)] |= static_cast<std::uint8_t>(X % 2 == 0 ? Nibble << 4 : Nibble);
        }
        Out.insert(Out.end(), Row.begin(), Row.end());
    }
}

Bytes Bitmap4(const TPixelMap& Map) {
    Bytes Out;
    DibHeader(Out, Map, Map.Height, static_cast<std::uint32_t>(Stride(Map.Width, 4) * Map.Height));
    ColourRows(Out, Map);
    return Out;
}

// An icon image: the header counts the colour rows and the mask rows (twice the height); the
// mask has a 1 for every transparent pixel.
Bytes Icon4(const TPixelMap& Map) {
    Bytes Out;
    const auto Size = (Stride(Map.Width, 4) + Stride(Map.Width, 1)) * Map.Height;
    DibHeader(Out, Map, 2 * Map.Height, static_cast<std::uint32_t>(Size));
    ColourRows(Out, Map);
    for (int Y = Map.Height - 1; Y >= 0; --Y) {
        Bytes Row(Stride(Map.Width, 1), 0);
        for (int X = 0; X < Map.Width; ++X) {
            if (Map.Index[static_cast<std::size_t>(Y) * static_cast<std::size_t>(Map.Width) +
                          static_cast<std::size_t>(X)] == Transparent) {
                Row[static_cast<std::size_t>(X / 8)] |= static_cast<std::uint8_t>(0x80 >> (X % 8));
            }
        }
        Out.insert(Out.end(), Row.begin(), Row.end());
    }
    return Out;
}

Bytes IconGroup(unsigned Id, const TPixelMap& Map) {
    Bytes Out;
    U16(Out, 0);  // reserved
    U16(Out, 1);  // icons
    U16(Out, 1);  // one image
    Out.push_back(static_cast<std::uint8_t>(Map.Width));
    Out.push_back(static_cast<std::uint8_t>(Map.Height));
    Out.push_back(16);  // colours
    Out.push_back(0);
    U16(Out, 1);  // planes
    U16(Out, 4);  // bits a pixel
    U32(Out, static_cast<std::uint32_t>(Icon4(Map).size()));
    U16(Out, Id);
    return Out;
}

Bytes Utf16z(const std::string& Text) {
    Bytes Out;
    for (unsigned char C : Text) {
        if (C > 127) throw TError("utf16z takes ASCII text only");
        U16(Out, C);
    }
    U16(Out, 0);
    return Out;
}

Bytes ShortStrings(const std::vector<std::string>& Texts) {
    Bytes Out;
    for (const auto& T : Texts) {
        if (T.size() > 255) throw TError("a short string is longer than 255 characters");
        Out.push_back(static_cast<std::uint8_t>(T.size()));
        Out.insert(Out.end(), T.begin(), T.end());
    }
    return Out;
}

Bytes PackageInfo(const std::vector<std::string>& Args) {
    using namespace vyr::host;
    if (Args.empty()) throw TError("packageinfo needs its flags");
    TPackageInfo Info;
    Info.Flags = static_cast<std::uint32_t>(std::stoul(Args[0], nullptr, 0));
    enum { None, Requires, Contains } Section = None;
    for (std::size_t I = 1; I < Args.size(); ++I) {
        const auto& A = Args[I];
        if (A == "requires") {
            Section = Requires;
        } else if (A == "contains") {
            Section = Contains;
        } else if (Section == Requires) {
            Info.Requires.push_back({PackageNameHash(A), A});
        } else if (Section == Contains) {
            const auto Colon = A.find(':');
            if (Colon == std::string::npos) throw TError("a contained unit needs ':FLAGS'");
            const auto Name = A.substr(0, Colon);
            Info.Contains.push_back(
                {static_cast<std::uint8_t>(std::stoul(A.substr(Colon + 1), nullptr, 0)), PackageNameHash(Name), Name});
        } else {
            throw TError("packageinfo: expected 'requires' or 'contains' before " + A);
        }
    }
    // The host's own encoder, and its decoder as the check that the host will accept the result.
    Bytes Out = BuildPackageInfo(Info);
    (void)ParsePackageInfo(Out);
    return Out;
}

// Splits a script line into words; "..." is one word (no escapes).
std::vector<std::string> Words(const std::string& Line) {
    std::vector<std::string> Out;
    std::size_t I = 0;
    while (I < Line.size()) {
        if (Line[I] == ' ' || Line[I] == '\t') {
            ++I;
            continue;
        }
        if (Line[I] == '"') {
            const auto End = Line.find('"', I + 1);
            if (End == std::string::npos) throw TError("unterminated string");
            Out.push_back(Line.substr(I + 1, End - I - 1));
            I = End + 1;
            continue;
        }
        const auto End = Line.find_first_of(" \t", I);
        Out.push_back(Line.substr(I, End == std::string::npos ? std::string::npos : End - I));
        I = End == std::string::npos ? Line.size() : End;
    }
    return Out;
}

std::string CString(const std::string& S) {
    std::string Out = "\"";
    for (unsigned char C : S) {
        if (C == '"' || C == '\\') {
            Out += '\\';
            Out += static_cast<char>(C);
        } else if (C >= 32 && C < 127) {
            Out += static_cast<char>(C);
        } else {
            char Buffer[8];
            std::snprintf(Buffer, sizeof Buffer, "\\%03o", C);
            Out += Buffer;
        }
    }
    return Out + "\"";
}

struct TResourceOut {
    std::string Type, Name;
    unsigned Language = 0;
    Bytes Data;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: rcgen SCRIPT OUTPUT.cpp\n");
        return 2;
    }
    const std::string Script = argv[1];
    const std::string Folder = Script.find('/') == std::string::npos ? "." : Script.substr(0, Script.rfind('/'));
    std::ifstream In(Script);
    if (!In) {
        std::fprintf(stderr, "%s: cannot open: %s\n", Script.c_str(), std::strerror(errno));
        return 1;
    }
    std::string Description;
    std::vector<TResourceOut> Resources;
    std::string Line;
    int LineNo = 0;
    try {
        while (std::getline(In, Line)) {
            ++LineNo;
            const auto W = Words(Line);
            if (W.empty() || W[0][0] == '#') continue;
            if (W[0] == "description") {
                if (W.size() != 2) throw TError("description takes one text");
                Description = W[1];
                continue;
            }
            if (W.size() < 5) throw TError("expected TYPE NAME LANGUAGE KIND ARGUMENTS");
            TResourceOut R{W[0], W[1], static_cast<unsigned>(std::stoul(W[2])), {}};
            const std::string& Kind = W[3];
            const std::vector<std::string> Args(W.begin() + 4, W.end());
            if (Kind == "bitmap4") {
                R.Data = Bitmap4(ReadPixelMap(Folder + "/" + Args.at(0), false));
            } else if (Kind == "icon4") {
                R.Data = Icon4(ReadPixelMap(Folder + "/" + Args.at(0), true));
            } else if (Kind == "icongroup") {
                R.Data = IconGroup(static_cast<unsigned>(std::stoul(Args.at(0))),
                                   ReadPixelMap(Folder + "/" + Args.at(1), true));
            } else if (Kind == "utf16z") {
                R.Data = Utf16z(Args.at(0));
            } else if (Kind == "packageinfo") {
                R.Data = PackageInfo(Args);
            } else if (Kind == "shortstrings") {
                R.Data = ShortStrings(Args);
            } else {
                throw TError("unknown kind " + Kind);
            }
            Resources.push_back(std::move(R));
        }
    } catch (const std::exception& E) {
        std::fprintf(stderr, "%s:%d: %s\n", Script.c_str(), LineNo, E.what());
        return 1;
    }

    std::ostringstream Out;
    Out << "// Generated by rcgen from " << Script.substr(Script.rfind('/') + 1) << ". Do not edit.\n"
        << "#include <cstdint>\n\n#include \"vyr/host/Module.h\"\n\n";
    Out << "extern \"C\" __attribute__((visibility(\"default\"), used, section(\".vyr_description\")))\n"
        << "const char VyrImageDescription[] = " << CString(Description) << ";\n\nnamespace {\n\n";
    for (std::size_t I = 0; I < Resources.size(); ++I) {
        const auto& R = Resources[I];
        Out << "// " << R.Type << " " << R.Name << ", " << R.Data.size() << " bytes\n";
        Out << "alignas(4) const std::uint8_t Resource" << I << "[] = {";
        for (std::size_t B = 0; B < R.Data.size(); ++B) {
            if (B % 16 == 0) Out << "\n   ";
            char Buffer[8];
            std::snprintf(Buffer, sizeof Buffer, " 0x%02X,", R.Data[B]);
            Out << Buffer;
        }
        Out << "\n};\n\n";
    }
    Out << "const vyr::host::TResourceEntry Entries[] = {\n";
    for (std::size_t I = 0; I < Resources.size(); ++I) {
        const auto& R = Resources[I];
        Out << "    {" << CString(R.Type) << ", " << CString(R.Name) << ", " << R.Language << ", Resource" << I
            << ", sizeof Resource" << I << "},\n";
    }
    Out << "};\n\nconst vyr::host::TResourceDirectory Directory{" << Resources.size()
        << ", Entries, VyrImageDescription};\n\n}  // namespace\n\n"
        << "extern \"C\" __attribute__((visibility(\"default\"))) const vyr::host::TResourceDirectory* "
           "VyrResourceDirectory() {\n"
        << "    return &Directory;\n}\n";

    try {
        vyr::host::WriteWholeFile(argv[2], Out.str());
    } catch (const vyr::host::EFileError& E) {
        std::fprintf(stderr, "rcgen: %s\n", E.what());
        return 1;
    }
    return 0;
}
