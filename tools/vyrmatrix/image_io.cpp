#include "image_io.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "vyr/host/FileIo.h"

namespace vyr::cli {

host::TColor TRgbImage::At(int X, int Y) const {
    const std::size_t I =
        (static_cast<std::size_t>(Y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(X)) * 3;
    return static_cast<host::TColor>(Pixels[I]) | (static_cast<host::TColor>(Pixels[I + 1]) << 8) |
           (static_cast<host::TColor>(Pixels[I + 2]) << 16);
}

TRgbImage ImageFromBitmap(const host::TBitmap& Bitmap) {
    TRgbImage Image;
    Image.Width = Bitmap.Width();
    Image.Height = Bitmap.Height();
    Image.Pixels.resize(static_cast<std::size_t>(Image.Width) * static_cast<std::size_t>(Image.Height) * 3);
    std::size_t O = 0;
    for (int y = 0; y < Image.Height; ++y) {
        const std::uint8_t* Row = Bitmap.ScanLine(y);
        for (int x = 0; x < Image.Width; ++x) {
            Image.Pixels[O++] = Row[3 * x + 2];
            Image.Pixels[O++] = Row[3 * x + 1];
            Image.Pixels[O++] = Row[3 * x];
        }
    }
    return Image;
}

namespace {

struct TFileCloser {
    void operator()(std::FILE* F) const {
        if (F) std::fclose(F);
    }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

std::string SystemError(const std::string& What, const std::string& Path) {
    return What + " " + Path + ": " + std::strerror(errno);
}

[[noreturn]] void PngError(png_structp Png, png_const_charp Message) {
    auto* Text = static_cast<std::string*>(png_get_error_ptr(Png));
    if (Text) *Text = Message;
    png_longjmp(Png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// libpng's output callbacks: C code, so a failure is kept by the writer and reported by libpng's
// error path, not thrown through it.
void PngOutput(png_structp Png, png_bytep Data, png_size_t Length) {
    if (!static_cast<host::TFileWriter*>(png_get_io_ptr(Png))->TryWrite(Data, Length)) png_error(Png, "write failed");
}

void PngFlush(png_structp) {}

}  // namespace

void WritePpm(const std::string& Path, const TRgbImage& Image) try {
    host::TFileWriter File(Path);
    File.Write("P6\n" + std::to_string(Image.Width) + " " + std::to_string(Image.Height) + "\n255\n");
    File.Write(Image.Pixels.data(), Image.Pixels.size());
    File.Commit();
} catch (const host::EFileError& E) {
    throw TImageError(E.what());
}

namespace {

// The libpng part of writing, in a frame of its own that holds only plain C values, since
// libpng reports errors by longjmp back to the setjmp here. False on failure, with Message set.
bool WritePngRows(host::TFileWriter* File, png_uint_32 Width, png_uint_32 Height, png_bytepp Rows,
                  std::string* Message) {
    png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, Message, PngError, PngWarning);
    if (!Png) return false;
    png_infop Info = png_create_info_struct(Png);
    if (!Info || setjmp(png_jmpbuf(Png))) {
        png_destroy_write_struct(&Png, &Info);
        return false;
    }
    png_set_write_fn(Png, File, PngOutput, PngFlush);
    png_set_IHDR(Png, Info, Width, Height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(Png, Info);
    png_write_image(Png, Rows);
    png_write_end(Png, nullptr);
    png_destroy_write_struct(&Png, &Info);
    return true;
}

}  // namespace

void WritePng(const std::string& Path, const TRgbImage& Image) try {
    if (Image.Width <= 0 || Image.Height <= 0) {
        throw TImageError("cannot write " + Path + ": a PNG cannot hold an empty picture (" +
                          std::to_string(Image.Width) + "x" + std::to_string(Image.Height) + ")");
    }
    host::TFileWriter File(Path);
    std::vector<png_bytep> Rows(static_cast<std::size_t>(Image.Height));
    for (int y = 0; y < Image.Height; ++y) {
        Rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(Image.Pixels.data()) +
                                            static_cast<std::size_t>(y) * static_cast<std::size_t>(Image.Width) * 3;
    }
    std::string Message;
    if (!WritePngRows(&File, static_cast<png_uint_32>(Image.Width), static_cast<png_uint_32>(Image.Height), Rows.data(),
                      &Message)) {
        if (File.Failed()) File.RaiseFailure();
        throw TImageError("cannot write " + Path + ": " + (Message.empty() ? "libpng failed" : Message));
    }
    File.Commit();
} catch (const host::EFileError& E) {
    throw TImageError(E.what());
}

TRgbImage ReadPpm(const std::string& Path) {
    TFile File(std::fopen(Path.c_str(), "rb"));
    if (!File) throw TImageError(SystemError("cannot open", Path));
    TRgbImage Image;
    int MaxValue = 0;
    if (std::fscanf(File.get(), "P6 %d %d %d", &Image.Width, &Image.Height, &MaxValue) != 3 || MaxValue != 255 ||
        Image.Width < 0 || Image.Height < 0 || std::fgetc(File.get()) == EOF) {
        throw TImageError("cannot read " + Path + ": not a binary 8-bit PPM");
    }
    Image.Pixels.resize(static_cast<std::size_t>(Image.Width) * static_cast<std::size_t>(Image.Height) * 3);
    if (std::fread(Image.Pixels.data(), 1, Image.Pixels.size(), File.get()) != Image.Pixels.size()) {
        throw TImageError("cannot read " + Path + ": file too short");
    }
    return Image;
}

TRgbImage ReadPng(const std::string& Path) {
    png_image Png;
    std::memset(&Png, 0, sizeof Png);
    Png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&Png, Path.c_str())) {
        throw TImageError("cannot read " + Path + ": " + Png.message);
    }
    Png.format = PNG_FORMAT_RGB;
    TRgbImage Image;
    Image.Width = static_cast<int>(Png.width);
    Image.Height = static_cast<int>(Png.height);
    Image.Pixels.resize(PNG_IMAGE_SIZE(Png));
    if (!png_image_finish_read(&Png, nullptr, Image.Pixels.data(), 0, nullptr)) {
        const std::string Message = Png.message;
        png_image_free(&Png);
        throw TImageError("cannot read " + Path + ": " + Message);
    }
    return Image;
}

}  // namespace vyr::cli
