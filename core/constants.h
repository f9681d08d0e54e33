#pragma once

#include <QString>

// Program-wide identity and the settings keys that several modules share.
// A settings-key constant holds its own name: the name is the key in the store.

inline const QString ORGANIZATION_NAME = QStringLiteral("Ostrevi");
inline const QString APPLICATION_NAME = QStringLiteral("VizuviduVoreruvEzov");
inline const QString APPLICATION_TITLE = QStringLiteral("Vorantel Dezedev Erud");
inline const QString APPLICATION_VERSION = QStringLiteral("29.7.0");
// Stored hashes of every existing database depend on this value: never change it.
inline const QString PASSWORD_SALT = QStringLiteral("Tq8#mWz2!pLx@4vRk)3b;Nd&");
inline const QString INVENTORY_DB_VERSION = QStringLiteral("INVENTORY_18.0.0");
inline const QString SALES_DB_VERSION = QStringLiteral("SALES_18.0.0");

#define VORANTEL_SETTINGS_KEY(name) inline const QString name = QStringLiteral(#name)

VORANTEL_SETTINGS_KEY(REPORT_COMPANY_NAME);
VORANTEL_SETTINGS_KEY(REPORT_COMPANY_ADDRESS);
VORANTEL_SETTINGS_KEY(REPORT_PHONE_NUMBER);
VORANTEL_SETTINGS_KEY(REPORT_COMPANY_LOGO);
VORANTEL_SETTINGS_KEY(SHOW_IMAGE_ON_POS);
VORANTEL_SETTINGS_KEY(SUB_ITEMS_MODE);
VORANTEL_SETTINGS_KEY(CURRENCY_SYMBOL);
VORANTEL_SETTINGS_KEY(ACTIVE_INVENTORY_DB);
VORANTEL_SETTINGS_KEY(ACTIVE_SALES_DB);
VORANTEL_SETTINGS_KEY(SALES_TAX_RATE_A);
VORANTEL_SETTINGS_KEY(SALES_TAX_RATE_B);
VORANTEL_SETTINGS_KEY(SALES_TAX_RATE_C);
VORANTEL_SETTINGS_KEY(SALES_TAX_NAME);
VORANTEL_SETTINGS_KEY(SMALL_RECEIPT);

// Server connection keys, written by the server settings dialog.
VORANTEL_SETTINGS_KEY(DB_SERVER);
VORANTEL_SETTINGS_KEY(DB_PORT);
VORANTEL_SETTINGS_KEY(DB_USER);
VORANTEL_SETTINGS_KEY(DB_PASSWORD);

#undef VORANTEL_SETTINGS_KEY

QString GetApplicationVersion();
