/// @file
/// Text helpers of the host library for 8-bit text, where only the ASCII letters have a case:
/// upper-casing, caseless comparison of names, and hexadecimal digits.
#pragma once

#include <string>
#include <string_view>

namespace vyr::host {

/// 'a'..'z' become 'A'..'Z'; every other code is returned unchanged.
constexpr char UpCase(char Ch) { return (Ch >= 'a' && Ch <= 'z') ? static_cast<char>(Ch - 'a' + 'A') : Ch; }

/// S with its ASCII letters upper-cased: the key under which a caseless name is looked up.
inline std::string UpperCase(std::string_view S) {
    std::string Upper(S);
    for (char& Ch : Upper) Ch = UpCase(Ch);
    return Upper;
}

/// Equal but for the case of ASCII letters ("TEditMatrix" and "teditmatrix" are the same name).
constexpr bool SameText(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    for (std::size_t I = 0; I < A.size(); ++I) {
        if (UpCase(A[I]) != UpCase(B[I])) return false;
    }
    return true;
}

/// The value of a hexadecimal digit, "0".."9", "A".."F" or "a".."f"; -1 for any other code.
constexpr int HexValue(char Ch) {
    if (Ch >= '0' && Ch <= '9') return Ch - '0';
    if (Ch >= 'A' && Ch <= 'F') return Ch - 'A' + 10;
    if (Ch >= 'a' && Ch <= 'f') return Ch - 'a' + 10;
    return -1;
}

}  // namespace vyr::host
