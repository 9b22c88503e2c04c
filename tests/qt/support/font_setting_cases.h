// The fontSource and codePage properties, one table of cases run on both Qt front ends
// (vyr::QEditMatrix and the Qt Quick EditMatrix): text through the code page both ways, typed
// keys, a text set before its code page (as a form loads it), a Unicode font mapped through the
// page and mapped again when it changes, the built-in table restored, bad fonts and code pages
// reported with the glyphs unchanged. Header only: each front end's test binary includes it.
#pragma once

#include <gtest/gtest.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QStringList>
#include <QtGui/QKeyEvent>
#include <QtTest/QSignalSpy>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vyr/EditMatrix.h"
#include "vyr/fonts/Fonts.h"

namespace vyr::test::fontcases {

using TRows = std::array<const char*, 7>;  // 'X' lit, '.' dark; row 0 on top

inline fonts::TGlyph GlyphOf(const TRows& Rows) {
    fonts::TGlyph Glyph{};
    for (int Row = 0; Row < 7; ++Row)
        for (int Column = 0; Column < 5; ++Column)
            if (Rows[static_cast<std::size_t>(Row)][Column] == 'X')
                Glyph[static_cast<std::size_t>(Column)] |= static_cast<std::uint8_t>(1u << (6 - Row));
    return Glyph;
}

inline const TRows Pe = {"XXXXX", "X...X", "X...X", "X...X", "X...X", "X...X", "....."};   // U+041F
inline const TRows Zhe = {".....", ".....", "X.X.X", ".XXX.", ".XXX.", "X.X.X", "....."};  // U+0436

// A Unicode BDF (ISO 10646) holding the two Cyrillic letters, ascent 6 and descent 1.
inline std::string UnicodeBdf() {
    std::string Out =
        "STARTFONT 2.1\nFONT -Test-Cells-Medium-R-Normal--7-70-75-75-C-60-ISO10646-1\nSIZE 7 75 75\n"
        "FONTBOUNDINGBOX 5 7 0 -1\nSTARTPROPERTIES 4\nFONT_ASCENT 6\nFONT_DESCENT 1\n"
        "CHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\nENDPROPERTIES\nCHARS 2\n";
    for (const auto& [Code, Rows] : {std::pair{0x41F, Pe}, std::pair{0x436, Zhe}}) {
        Out += "STARTCHAR U" + std::to_string(Code) + "\nENCODING " + std::to_string(Code) +
               "\nSWIDTH 857 0\nDWIDTH 6 0\nBBX 5 7 0 -1\nBITMAP\n";
        for (const char* Row : Rows) {
            unsigned Bits = 0;
            for (int Column = 0; Column < 5; ++Column)
                if (Row[Column] == 'X') Bits |= 0x80u >> Column;
            static const char* Hex = "0123456789ABCDEF";
            Out += std::string{Hex[Bits >> 4], Hex[Bits & 15], '\n'};
        }
        Out += "ENDCHAR\n";
    }
    return Out + "ENDFONT\n";
}

inline fonts::TGlyph GlyphAt(const TEditMatrix& M, int Code) {
    fonts::TGlyph Glyph{};
    for (int Column = 0; Column < 5; ++Column)
        Glyph[static_cast<std::size_t>(Column)] =
            M.GetCharColumn(static_cast<host::Byte>(Code), static_cast<host::Byte>(Column));
    return Glyph;
}

// Writes the case files into Dir: unicode.bdf and broken.bdf.
inline void WriteFiles(const QString& Dir) {
    QFile Unicode(Dir + "/unicode.bdf");
    ASSERT_TRUE(Unicode.open(QIODevice::WriteOnly));
    Unicode.write(QByteArray::fromStdString(UnicodeBdf()));
    QFile Broken(Dir + "/broken.bdf");
    ASSERT_TRUE(Broken.open(QIODevice::WriteOnly));
    Broken.write("STARTFONT 2.1\nCHARS 1\nSTARTCHAR A\nENCODING 65\nBBX 5 7 0 0\nBITMAP\n");
}

// Runs every case on a fresh T made by Make (T: QEditMatrix or QuickEditMatrix). Dir holds the
// files of WriteFiles.
template <class T>
void RunAll(const std::function<std::unique_ptr<T>()>& Make, const QString& Dir) {
    const QString Unicode = Dir + "/unicode.bdf";
    const QString Broken = Dir + "/broken.bdf";
    const auto Type = [](T& W, const QString& Text) {
        QKeyEvent Press(QEvent::KeyPress, 0, Qt::NoModifier, Text);
        QCoreApplication::sendEvent(&W, &Press);
    };
    const auto Codes = [](T& W) { return QByteArray::fromStdString(W.control().FReadText()); };

    struct TCase {
        const char* Name;
        std::function<void(T&)> Run;
    };
    const std::vector<TCase> Cases = {
        {"defaults: Latin-1 and the built-in glyphs",
         [&](T& W) {
             EXPECT_EQ(W.codePage(), "ISO-8859-1");
             EXPECT_EQ(W.fontSource(), "");
             W.setText(QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac"));  // "café €"
             EXPECT_EQ(Codes(W), QByteArray("caf\xe9 ?"));
             Type(W, QString::fromUtf8("\xc3\xa9"));
             EXPECT_EQ(W.text(), QString::fromUtf8("caf\xc3\xa9 ?\xc3\xa9"));
         }},
        {"a code page both ways, and typed keys",
         [&](T& W) {
             QSignalSpy PageChanged(&W, SIGNAL(codePageChanged(QString)));
             W.setCodePage("ISO-8859-5");
             EXPECT_EQ(PageChanged.count(), 1);
             W.setText(QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xe2\x82\xac"));
             EXPECT_EQ(Codes(W), QByteArray("\xbf\xe0\xd8\xd2\xd5\xe2 ?"));
             EXPECT_EQ(W.text(), QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 ?"));
             Type(W, QString::fromUtf8("\xd0\xb6"));  // ж
             EXPECT_TRUE(Codes(W).endsWith('\xd6'));
         }},
        {"a text set before its code page keeps its characters",
         [&](T& W) {
             W.setText(QString::fromUtf8("\xd0\x9f\xd1\x80"));  // "Пр", before the page: "??"
             EXPECT_EQ(W.text(), "??");
             QSignalSpy TextChanged(&W, SIGNAL(textChanged(QString)));
             W.setCodePage("ISO-8859-5");
             EXPECT_EQ(W.text(), QString::fromUtf8("\xd0\x9f\xd1\x80"));
             EXPECT_EQ(TextChanged.count(), 1);
             // Typed text keeps its characters across a change of page too.
             Type(W, QString::fromUtf8("\xd0\xb6"));
             W.setCodePage("KOI8-R");
             EXPECT_EQ(W.text(), QString::fromUtf8("\xd0\x9f\xd1\x80\xd0\xb6"));
             EXPECT_EQ(Codes(W), QByteArray("\xf0\xd2\xd6"));
         }},
        {"an unknown code page is refused and reported",
         [&](T& W) {
             QSignalSpy Errors(&W, SIGNAL(fontError(QString)));
             W.setCodePage("NO-SUCH-PAGE");
             EXPECT_EQ(W.codePage(), "ISO-8859-1");
             ASSERT_EQ(Errors.count(), 1);
             EXPECT_TRUE(Errors.at(0).at(0).toString().contains("NO-SUCH-PAGE"));
         }},
        {"a Unicode font maps through the page, again when it changes, and empty restores",
         [&](T& W) {
             const fonts::TGlyphTable BuiltIn = fonts::TableOf(W.control());
             QSignalSpy SourceChanged(&W, SIGNAL(fontSourceChanged(QString)));
             W.setCodePage("ISO-8859-5");
             W.setFontSource(Unicode);
             EXPECT_EQ(SourceChanged.count(), 1);
             EXPECT_EQ(GlyphAt(W.control(), 0xBF), GlyphOf(Pe));
             EXPECT_EQ(GlyphAt(W.control(), 0xD6), GlyphOf(Zhe));
             EXPECT_EQ(GlyphAt(W.control(), 'A'),
                       (fonts::TGlyph{BuiltIn[325], BuiltIn[326], BuiltIn[327], BuiltIn[328], BuiltIn[329]}));
             W.setCodePage("KOI8-R");
             EXPECT_EQ(GlyphAt(W.control(), 0xF0), GlyphOf(Pe));
             EXPECT_EQ(GlyphAt(W.control(), 0xD6), GlyphOf(Zhe));
             EXPECT_NE(GlyphAt(W.control(), 0xBF), GlyphOf(Pe));  // back to the built-in glyph
             W.setFontSource("");
             EXPECT_EQ(fonts::TableOf(W.control()), BuiltIn);
             EXPECT_EQ(SourceChanged.count(), 2);
         }},
        {"a bad font leaves the glyphs and is reported",
         [&](T& W) {
             W.setFontSource(Unicode);
             const fonts::TGlyphTable Before = fonts::TableOf(W.control());
             QSignalSpy Errors(&W, SIGNAL(fontError(QString)));
             for (const QString& Bad : {Broken, Dir + "/missing.bdf", QString(":/no/such.bdf")}) {
                 W.setFontSource(Bad);
                 EXPECT_EQ(W.fontSource(), Bad);
                 EXPECT_EQ(fonts::TableOf(W.control()), Before) << Bad.toStdString();
             }
             ASSERT_EQ(Errors.count(), 3);
             for (int I = 0; I < 3; ++I) EXPECT_TRUE(Errors.at(I).at(0).toString().contains(".bdf"));
         }},
        {"a file: URL and a qrc: resource name the same font",
         [&](T& W) {
             const fonts::TGlyph BuiltIn = GlyphAt(W.control(), 0xBF);
             W.setFontSource("file://" + Unicode);
             EXPECT_EQ(GlyphAt(W.control(), 0xBF), BuiltIn);  // Latin-1 holds no Cyrillic letter
             W.setCodePage("ISO-8859-5");
             EXPECT_EQ(GlyphAt(W.control(), 0xBF), GlyphOf(Pe));
             QSignalSpy Errors(&W, SIGNAL(fontError(QString)));
             W.setFontSource("qrc:/no/such.bdf");
             EXPECT_EQ(Errors.count(), 1);
         }},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        std::unique_ptr<T> W = Make();
        Case.Run(*W);
    }
}

}  // namespace vyr::test::fontcases
