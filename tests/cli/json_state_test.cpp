// The --state line: valid JSON, every 8-bit code round-trips, keys in their fixed order.
#include <gtest/gtest.h>

#include "cli_support.h"
#include "json_state.h"
#include "session.h"

namespace vyr::cli {
namespace {

using test::Latin1;
using test::ParseJson;
using test::TJson;

TEST(JsonString8Bit, EveryCodeReadsBackAsTheSameCodePoint) {
    for (int c = 0; c < 256; ++c) {
        const std::string Code(1, static_cast<char>(c));
        const std::string Literal = JsonString8Bit(Code);
        SCOPED_TRACE("code " + std::to_string(c) + ": " + Literal);
        const TJson Back = ParseJson(Literal);
        ASSERT_EQ(Back.Kind, TJson::TKind::String);
        EXPECT_EQ(Back.String, std::u32string(1, static_cast<char32_t>(c)));
        // The line stays printable: no raw control characters, C1 controls or DEL.
        for (const char Ch : Literal) {
            const auto B = static_cast<unsigned char>(Ch);
            EXPECT_FALSE(B < 0x20 || B == 0x7F) << "raw byte " << int(B);
        }
        EXPECT_EQ(Literal.find("\xC2\x80"), std::string::npos);
    }
}

TEST(JsonString8Bit, AllCodesInOneString) {
    std::string All;
    for (int c = 255; c >= 0; --c) All.push_back(static_cast<char>(c));
    EXPECT_EQ(ParseJson(JsonString8Bit(All)).String, Latin1(All));
}

TEST(StateJson, FreshControlHasEveryKeyInTheFixedOrder) {
    TSession Session(0);
    Session.PaintOnce();
    const TJson State = ParseJson(StateJson(Session.Matrix(), Session.Form()));
    ASSERT_EQ(State.Kind, TJson::TKind::Object);
    const std::vector<std::string> Leading = {"Text",
                                              "FCursorPos",
                                              "FFirstVisible",
                                              "FTextLength",
                                              "Width",
                                              "Height",
                                              "FTotalRefresh",
                                              "FMiniRefresh",
                                              "FGeometryChanged",
                                              "FOnColor",
                                              "FOffColor",
                                              "FScrollOnColor",
                                              "FScrollOffColor",
                                              "FScrollBlinkOffColor",
                                              "FBlinking",
                                              "FBlinkState",
                                              "FScrollHalted",
                                              "StreamHeads",
                                              "ScrollPos",
                                              "Focused",
                                              "FocusedTabOrder",
                                              "CharTable"};
    ASSERT_GE(State.Keys.size(), Leading.size());
    EXPECT_EQ(std::vector<std::string>(State.Keys.begin(), State.Keys.begin() + static_cast<long>(Leading.size())),
              Leading);
    // Then the published properties, in the control's declared order, Text not repeated.
    std::vector<std::string> Published;
    for (const auto& Info : Session.Matrix().Properties()) {
        if (Info.Name != "Text") Published.emplace_back(Info.Name);
    }
    EXPECT_EQ(std::vector<std::string>(State.Keys.begin() + static_cast<long>(Leading.size()), State.Keys.end()),
              Published);
}

TEST(StateJson, CharTableIsTheGlyphTableAsLowercaseHex) {
    TSession Session(0);
    Session.Matrix().ChangeChar(200, {0xAB, 0xCD, 0xEF, 0x01, 0x7F});
    const TJson State = ParseJson(StateJson(Session.Matrix(), Session.Form()));
    const std::u32string& Hex = State.Object->at("CharTable").String;
    ASSERT_EQ(Hex.size(), 2560U);
    for (const char32_t C : Hex) EXPECT_TRUE((C >= U'0' && C <= U'9') || (C >= U'a' && C <= U'f'));
    EXPECT_EQ(Hex.substr(200 * 10, 10), U"abcdef017f");
}

}  // namespace
}  // namespace vyr::cli
