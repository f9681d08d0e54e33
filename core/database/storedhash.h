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

// Whether a password's HashPassword text is a real secret: about one password in 256 hashes to an
// empty text and others to one or two characters, and any two such passwords open each other's
// accounts; everything after a control character (a zero) would be ignored. User management
// refuses such a password; the upgrade keeps old ones in the form StoredPassword gives them.
inline bool PasswordStorable(const QString& password, const QString& hash)
{
    for (const QChar c : password) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return hash.size() >= 4 && HashFitsColumn(hash);
}
