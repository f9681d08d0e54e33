#pragma once

#include "appsettings.h"
#include "constants.h"
#include "settingsdialog.h"
#include "testsupport.h"

#include <QListWidget>
#include <QLocale>
#include <QMap>
#include <QPushButton>
#include <QStackedWidget>
#include <QVariant>

// Helpers of the settings page tests.
namespace SettingsTest {

// The whole store as key -> value, to compare before and after a step.
inline QMap<QString, QVariant> Store()
{
    QMap<QString, QVariant> out;
    QSettings* store = TestSupport::Settings();
    for (const QString& key : store->allKeys())
        out.insert(key, store->value(key));
    return out;
}

// The keys whose value a step added or changed, sorted; removed keys as "-key".
inline QStringList Changed(const QMap<QString, QVariant>& before, const QMap<QString, QVariant>& after)
{
    QStringList keys;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key()) || before.value(it.key()) != it.value())
            keys << it.key();
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key()))
            keys << QLatin1Char('-') + it.key();
    }
    keys.sort();
    return keys;
}

inline void UseLocale(const QLocale& locale)
{
    *AppSettings::Instance()->locale = locale;
}

// Shows a row of the dialog as a click on the list would.
inline void ShowRow(SettingsDialog& dialog, int row)
{
    if (dialog.contentWidget()->currentRow() == row)
        dialog.ChangePage(dialog.contentWidget()->item(row), nullptr);
    else
        dialog.contentWidget()->setCurrentRow(row);
}

inline void Press(SettingsDialog& dialog, const char* button)
{
    Child<QPushButton>(&dialog, button)->click();
}

// The keys the general page writes on every save.
inline QStringList GeneralKeys()
{
    return {"DATE_FORMAT", "SUB_ITEMS_MODE", "delimiter", "scaling_factor", "scaling_mode",
            "start_with_search_term", "theme", "time_format"};
}

} // namespace SettingsTest
