// Letter case of ASCII text, the same in every locale: command words, option keywords,
// drive letters.
#pragma once

#include <string>

// Upper-cases the ASCII letters of the text in place; other bytes stay.
inline void UpperCase(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

// The text with its ASCII letters upper-cased.
inline std::string UpperCased(std::string text) {
    UpperCase(text);
    return text;
}
