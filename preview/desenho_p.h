#pragma once

// Helpers of the preview's drawing routines (desenho.cpp, kicad.cpp), which
// read the command words and numbers of library lines alike. Not part of
// any interface.

#include <QByteArray>
#include <QByteArrayView>

inline char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

// Whether `word`, upper-cased, is exactly `command` (given in upper case).
inline bool eComando(const QByteArray &word, QByteArrayView command)
{
    if (word.size() != command.size())
        return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (upper(word[i]) != command[i])
            return false;
    }
    return true;
}

// Whether a token is "0" or "1": the unit and body style numbers the classic
// view draws, the pin conversions both views count.
inline bool zeroOuUm(const QByteArray &t)
{
    return t == "0" || t == "1";
}
