/// @file
/// vyr::qt::TFontSetting: the font and the code page of one TEditMatrix in a Qt front end, the
/// plumbing behind the fontSource and codePage properties of vyr::QEditMatrix and of the Qt Quick
/// EditMatrix, so both front ends behave the same.
///
/// Font: a file path (relative to the working folder), a "file:" URL, or a Qt resource (":/x" or
/// "qrc:/x"); empty for the built-in table. The control's table is always the built-in one (as
/// the control had it when the setting was made) with the font's glyphs on top: a new font
/// replaces the previous one's glyphs (codes it lacks show the built-in glyph again), and an
/// empty source restores the built-in table. Glyphs changed through the control meanwhile are
/// overwritten then. A Unicode font maps through the code page, so changing the code page imports
/// it again. A font that cannot be read leaves the glyphs as they were; the source keeps the value
/// asked for (as an Image keeps a source it could not load) and the error is returned.
///
/// Code page: how QString text becomes the control's 8-bit codes and back (text properties and
/// typed keys). A character the page cannot hold becomes '?'; a code the page leaves undefined
/// reads back as U+FFFD. An unknown or multi-byte code page is refused: the page stays as it was.
///
/// Text across a code page change keeps its characters, not its codes: the control's text is
/// encoded again through the new page. A text set while another page was in force keeps what was
/// asked for (a form sets text before codePage, "Привет" before "ISO-8859-5": the text is
/// "??????" until the page comes, then "Привет"), as long as the control's text is still the one
/// that setting gave.
#pragma once

#include <QtCore/QString>
#include <optional>

#include "vyr/EditMatrix.h"
#include "vyr/fonts/Fonts.h"

namespace vyr::qt {

/// The font and the code page of one TEditMatrix in a Qt front end (see the file's description).
class TFontSetting {
public:
    /// The code page a setting starts with.
    static constexpr const char* DefaultCodePage = "ISO-8859-1";

    /// Takes Matrix's current table as the built-in one. Matrix outlives the setting.
    explicit TFontSetting(TEditMatrix& Matrix);

    /** @{ */
    /// The source and the code page as last set.
    [[nodiscard]] const QString& fontSource() const { return FSource; }
    [[nodiscard]] const QString& codePage() const { return FPageName; }
    /** @} */

    /// Sets the source and imports it. Returns the error message (naming the source and what is
    /// wrong) when the font could not be read; the glyphs are then as they were.
    std::optional<QString> setFontSource(const QString& Source);
    /// Sets the code page; re-encodes the text, and imports a Unicode font again. Returns the
    /// error message for a code page that cannot be used (the page is then unchanged), or for a
    /// font that cannot be imported again.
    std::optional<QString> setCodePage(const QString& Name);

    /** @{ */
    /// QString to 8-bit codes and back through the code page.
    [[nodiscard]] host::AnsiString encode(const QString& Text) const;
    [[nodiscard]] QString decode(const host::AnsiString& Codes) const;
    /** @} */
    /// Sets the control's text to Text through the code page, remembering Text for a later code
    /// page change.
    void setText(const QString& Text);

    /// The table the control had when the setting was made.
    [[nodiscard]] const fonts::TGlyphTable& builtInTable() const { return FBuiltIn; }

private:
    std::optional<QString> Import();
    void WriteTable(const fonts::TGlyphTable& Table);

    TEditMatrix& FMatrix;
    fonts::TGlyphTable FBuiltIn{};
    fonts::TCodePage FPage = fonts::TCodePage::Latin1();
    bool FLatin1 = true;  // FPage is Latin-1 (QString's own fast conversion)
    QString FPageName = QString::fromLatin1(DefaultCodePage);
    QString FSource;
    bool FFontUnicode = false;    // the font in force maps through the code page
    QString FTextAsked;           // what the text property was last set to
    host::AnsiString FTextGiven;  // and the codes it gave
};

}  // namespace vyr::qt
