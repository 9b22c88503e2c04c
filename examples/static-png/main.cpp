// Renders "Hello, LEDs" with round green LEDs into a PNG file.
//   static-png [OUT.png]      default hello.png
#include <png.h>

#include <cstdio>
#include <vector>

#include <vyr/Vyr.h>
#include <vyr/headless/Headless.h>

int main(int argc, char** argv) {
    const char* Out = argc > 1 ? argv[1] : "hello.png";

    vyr::headless::THeadlessWidgetSet Widgets;
    vyr::host::TForm Form(nullptr, Widgets);
    Form.Show();
    auto* Matrix = new vyr::TEditMatrix(&Form);  // the form owns and frees it
    Matrix->SetParent(&Form);
    Matrix->FSetLEDShape(vyr::EShape::Circle);
    Matrix->FSetLEDSize(5);
    Matrix->FSetTotalVisible(12);              // one slot more than the text, for the cursor after it
    Matrix->FSetActiveLED(false);              // the same colours with and without the focus
    Matrix->FSetInactiveLEDOnColor(0x00FF00);  // TColor: low byte red, so this is green
    Matrix->FSetInactiveLEDOffColor(0x003000);
    Matrix->FSetText("Hello, LEDs");
    Widgets.ProcessMessages();

    // What the control's window shows: rows of blue, green, red; PNG wants red, green, blue.
    const vyr::host::TBitmap& Frame = vyr::headless::THeadlessWidgetSet::PeerOf(*Matrix)->Surface();
    std::vector<unsigned char> Rgb(static_cast<std::size_t>(Frame.Width()) * Frame.Height() * 3);
    for (int Y = 0; Y < Frame.Height(); ++Y) {
        const std::uint8_t* Row = Frame.ScanLine(Y);
        for (int X = 0; X < Frame.Width(); ++X) {
            unsigned char* P = &Rgb[(static_cast<std::size_t>(Y) * Frame.Width() + X) * 3];
            P[0] = Row[3 * X + 2];
            P[1] = Row[3 * X + 1];
            P[2] = Row[3 * X];
        }
    }
    png_image Image{};
    Image.version = PNG_IMAGE_VERSION;
    Image.width = static_cast<png_uint_32>(Frame.Width());
    Image.height = static_cast<png_uint_32>(Frame.Height());
    Image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&Image, Out, 0, Rgb.data(), 0, nullptr)) {
        std::fprintf(stderr, "static-png: cannot write %s: %s\n", Out, Image.message);
        return 1;
    }
    std::printf("%s: %d x %d\n", Out, Frame.Width(), Frame.Height());
    return 0;
}
