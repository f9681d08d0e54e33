#pragma once

#include <QString>

// The PASSWORD and ANSWER columns hold 3-byte UTF-8 only, and a hash must be stored
// byte-exact, so a hash holding a character outside the Basic Multilingual Plane
// (a 4-byte sequence) cannot be kept: its password or answer is refused when set.
inline bool HashFitsColumn(const QString& hash)
{
    for (const QChar c : hash) {
        if (c.isSurrogate())
            return false;
    }
    return true;
}
