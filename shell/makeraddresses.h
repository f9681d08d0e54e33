#pragma once

#include <QString>

// Every address the program shows or asks, in one place. They are neutral
// placeholders until the product has its real web presence.
namespace MakerAddresses {

inline const QString SUPPORT_EMAIL = QStringLiteral("support@example.com");
inline const QString SUPPORT_SUBJECT = QStringLiteral("Vorantel Dezedev Erud support");
inline const QString WEBSITE = QStringLiteral("https://example.com/vorantel");
inline const QString SOCIAL_PAGE = QStringLiteral("https://example.com/vorantel/social");
inline const QString TUTORIALS = QStringLiteral("https://example.com/vorantel/tutorials");
inline const QString USER_MANUAL = QStringLiteral("https://example.com/vorantel/manual");
inline const QString SUPPORT_PAGE = QStringLiteral("https://example.com/vorantel/support");
inline const QString QT_LGPL = QStringLiteral("https://example.com/qt/lgpl.html");
inline const QString QT_LICENSING = QStringLiteral("https://example.com/qt/licensing.html");

// The version web service. The environment variable VORANTEL_VERSION_SERVICE_URL
// replaces it, so a test can point the check at a server of its own.
inline const QString VERSION_SERVICE = QStringLiteral("https://example.com/vorantel/version");
// Sent as "product" with every version question.
inline const QString PRODUCT_CODE = QStringLiteral("VDE");

} // namespace MakerAddresses
