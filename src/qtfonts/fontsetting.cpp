// vyr::qt::TFontSetting: fonts read from files or Qt resources, code page conversion of QString
// text, and the text kept across code page changes.
#include "vyr/qt/FontSetting.h"

#include <QtCore/QFile>
#include <QtCore/QUrl>
#include <QtCore/QVector>
#include <cstdint>
#include <span>
#include <string>

namespace vyr::qt {

TFontSetting::TFontSetting(TEditMatrix& Matrix) : FMatrix(Matrix), FBuiltIn(fonts::TableOf(Matrix)) {}

host::AnsiString TFontSetting::encode(const QString& Text) const {
    if (FLatin1) {
        const QByteArray Latin1 = Text.toLatin1();  // '?' for what Latin-1 lacks
        return host::AnsiString(Latin1.constData(), static_cast<std::size_t>(Latin1.size()));
    }
    host::AnsiString Out;
    const QList<uint> Chars = Text.toUcs4();  // a lone surrogate is U+FFFD
    Out.reserve(static_cast<std::size_t>(Chars.size()));
    for (const uint C : Chars) {
        const auto Code = FPage.CodeOf(static_cast<char32_t>(C));
        Out += static_cast<char>(Code ? *Code : static_cast<std::uint8_t>('?'));
    }
    return Out;
}

QString TFontSetting::decode(const host::AnsiString& Codes) const {
    if (FLatin1) return QString::fromLatin1(Codes.data(), static_cast<qsizetype>(Codes.size()));
    QString Out;
    Out.reserve(static_cast<qsizetype>(Codes.size()));
    for (const char Code : Codes) {
        const auto C = FPage.CharOf(static_cast<std::uint8_t>(Code));
        const char32_t Char = C ? *C : char32_t{0xFFFD};
        const char32_t One[1] = {Char};
        Out += QString::fromUcs4(One, 1);
    }
    return Out;
}

void TFontSetting::setText(const QString& Text) {
    FMatrix.FSetText(encode(Text));
    FTextAsked = Text;
    FTextGiven = FMatrix.FReadText();
}

std::optional<QString> TFontSetting::setFontSource(const QString& Source) {
    FSource = Source;
    return Import();
}

std::optional<QString> TFontSetting::setCodePage(const QString& Name) {
    if (Name == FPageName) return std::nullopt;
    fonts::TCodePage Page = fonts::TCodePage::Latin1();
    try {
        Page = fonts::TCodePage::Open(Name.toStdString());
    } catch (const fonts::TFontError& Error) {
        return QString::fromUtf8(Error.what());
    }
    // The text keeps its characters: what was asked for while its codes are unchanged, otherwise
    // what its codes mean in the old page.
    const host::AnsiString Codes = FMatrix.FReadText();
    const QString Text = Codes == FTextGiven ? FTextAsked : decode(Codes);
    FPage = std::move(Page);
    FPageName = Name;
    FLatin1 = true;
    for (int Code = 0; Code < 256 && FLatin1; ++Code)
        FLatin1 = FPage.CharOf(static_cast<std::uint8_t>(Code)) == static_cast<char32_t>(Code);
    const bool Asked = Codes == FTextGiven;
    const host::AnsiString Now = encode(Text);
    if (Now != Codes) FMatrix.FSetText(Now);
    if (Asked) FTextGiven = FMatrix.FReadText();
    if (FFontUnicode) return Import();
    return std::nullopt;
}

std::optional<QString> TFontSetting::Import() {
    if (FSource.isEmpty()) {
        FFontUnicode = false;
        WriteTable(FBuiltIn);
        return std::nullopt;
    }
    QString Path = FSource;
    if (Path.startsWith(QLatin1String("qrc:/"))) {
        Path = Path.mid(3);  // ":/..."
    } else if (Path.startsWith(QLatin1String("file:"))) {
        Path = QUrl(Path).toLocalFile();
    }
    fonts::TFont Font;
    try {
        if (Path.startsWith(QLatin1Char(':'))) {
            QFile File(Path);
            if (!File.open(QIODevice::ReadOnly)) return FSource + QStringLiteral(": no such Qt resource");
            if (File.size() > static_cast<qint64>(fonts::MaxFontFileBytes))
                return FSource + QStringLiteral(": larger than a font file may be");
            const QByteArray Data = File.readAll();
            Font = fonts::ReadFont(std::span(reinterpret_cast<const std::uint8_t*>(Data.constData()),
                                             static_cast<std::size_t>(Data.size())),
                                   FSource.toStdString(), FPage);
        } else {
            Font = fonts::ReadFontFile(QFile::encodeName(Path).toStdString(), FPage);
        }
    } catch (const fonts::TFontError& Error) {
        return QString::fromUtf8(Error.what());
    }
    fonts::TGlyphTable Table = FBuiltIn;
    for (std::size_t Code = 0; Code < 256; ++Code)
        if (const auto& Glyph = Font.Glyphs[Code])
            for (std::size_t Column = 0; Column < 5; ++Column) Table[Code * 5 + Column] = (*Glyph)[Column];
    FFontUnicode = Font.Report.Unicode;
    WriteTable(Table);
    return std::nullopt;
}

// Only glyphs that differ are written, so only cells whose glyph changed are drawn again.
void TFontSetting::WriteTable(const fonts::TGlyphTable& Table) {
    const fonts::TGlyphTable Now = fonts::TableOf(FMatrix);
    for (std::size_t Code = 0; Code < 256; ++Code) {
        std::array<host::Byte, 5> Glyph{};
        bool Differs = false;
        for (std::size_t Column = 0; Column < 5; ++Column) {
            Glyph[Column] = Table[Code * 5 + Column];
            Differs = Differs || Glyph[Column] != Now[Code * 5 + Column];
        }
        if (Differs) FMatrix.ChangeChar(static_cast<host::Byte>(Code), Glyph);
    }
}

}  // namespace vyr::qt
