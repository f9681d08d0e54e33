#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

class QDateTime;
class QLocale;
class QMainWindow;
class QSettings;
class QTableView;
class QTextStream;
class QWidget;

// The settings file holds the database password: it is made owner-only, and kept so by every
// later save (a save replaces the file but keeps its permissions).
void KeepSettingsFilePrivate(const QSettings& store);

// Column name and whether the list shows it; kept for this process only.
using ColumnVisibility = QVector<QPair<QString, bool>>;

// The one process-wide settings object: the settings store, the login state
// and the display formats derived from the settings.
class AppSettings
{
public:
    static AppSettings* Instance();

    void LoadDateFormat();
    void LoadTimeFormat();
    void LoadLocale();

    QString TimeFormat() const;
    QString Theme() const;
    QString CurrentUser();
    void SetPermittedModules(const QList<int>& modules);
    bool HasPermission(int module) const;

    // CSV export of a list page's table (appsettings_csv.cpp).
    void ExportTableToCsv(const QString& filePrefix, QTableView* view, QWidget* parent);
    void WriteTableAsCsv(QTextStream* out, QTableView* view);
    static QString CsvExportFilePath(const QString& folder, const QString& filePrefix, const QDateTime& when);
    // The "delimiter" setting as its character: 0 comma, 1 semicolon, 2 tab, anything else comma.
    static QChar Delimiter(int setting);
    // Asks for the folder of a file to be written, starting in the one chosen last; the chosen folder, kept
    // as the last one, or an empty text when none was chosen.
    static QString ChooseFolder(QWidget* parent);
    // A select-list item formatting a date column by DATE_FORMAT (appsettings_database.cpp).
    QString SqlDateColumn(const QString& column, const QString& alias) const;
    QString DateFormat() const;

    // Public on purpose: modules read these directly.
    QMainWindow* mainWindow = nullptr;
    QString loginName;
    QString roleName;
    // A login outcome has opened the modules (set by the main window, cleared at logout).
    bool sessionOpen = false;
    QList<int> permittedModules;
    QString timeFormat;
    QString dateFormat;
    QLocale* locale = nullptr;
    ColumnVisibility salesColumns;
    ColumnVisibility salesDetailColumns;
    ColumnVisibility inventoryColumns;
    ColumnVisibility productColumns;
    ColumnVisibility productStockColumns;
    ColumnVisibility reportColumns;
    QString theme;
    QSettings* settings = nullptr;

private:
    AppSettings();
    ~AppSettings();
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;
};
