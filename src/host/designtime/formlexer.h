// Form storage, reading: the tokens of one line of a form file. A fault is an EFormError with
// the file and the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vyr::host::formdetail {

enum class TTok { Ident, Integer, String, Colon, Equals, End };

struct TToken {
    TTok Kind = TTok::End;
    std::string Text;       // identifier, string contents, or the number as written
    std::int64_t Int = 0;   // Integer
    bool Overflow = false;  // Integer: beyond 64 bits
};

// How a kind of token is named in a message ("a name", "'='").
const char* TokName(TTok Kind);
// What was found, for messages: the name, the number, "a string".
std::string Found(const TToken& T);

class TLexer {
public:
    TLexer(std::string_view Line, const std::string& File, int LineNo) : FLine(Line), FFile(File), FLineNo(LineNo) {}

    [[noreturn]] void Fail(const std::string& Message) const;
    // The next token; TTok::End at the end of the line.
    TToken Next();

private:
    TToken String();
    TToken Number();

    std::string_view FLine;
    std::size_t FPos = 0;
    const std::string& FFile;
    int FLineNo;
};

}  // namespace vyr::host::formdetail
