#pragma once

#include <QString>

// The PASSWORD and ANSWER columns hold 3-byte UTF-8 only, and a hash must be stored
// byte-exact, so a hash holding a character outside the Basic Multilingual Plane
// (a 4-byte sequence) cannot be kept as it is.
inline bool HashFitsColumn(const QString& hash)
{
    for (const QChar c : hash) {
        if (c.isSurrogate())
            return false;
    }
    return true;
}

// Whether a HashPassword text carries too little of the digest to tell passwords apart. Every
// digest byte of 0x80 or more that is not part of a valid sequence becomes U+FFFD, so the text is
// weighed by what its characters can vary in: 7 bits for ASCII, 1 for U+FFFD, 11 for another
// 2-byte character, 16 for another 3-byte one. Under 32 bits, whole groups of passwords share a
// text and open each other's accounts; a text the column can not hold is weak as well.
inline bool HashIsWeak(const QString& hash)
{
    if (!HashFitsColumn(hash))
        return true;
    int bits = 0;
    for (const QChar c : hash) {
        const ushort u = c.unicode();
        if (u < 0x80)
            bits += 7;
        else if (u == 0xFFFD)
            bits += 1;
        else if (u < 0x800)
            bits += 11;
        else
            bits += 16;
    }
    return bits < 32;
}

// A tab can not be typed at the login (it moves the focus), and everything after a zero would be
// left out of HashPassword, so user management refuses such a password.
inline bool HasControlCharacter(const QString& password)
{
    for (const QChar c : password) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}
