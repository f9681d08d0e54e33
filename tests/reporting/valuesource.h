#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

class ReportEngine;

// Stands in for a caller of the report engine: answers the value callbacks and records
// every question asked.
class ValueSource : public QObject
{
    Q_OBJECT
public:
    struct Ask
    {
        int recNo = 0;
        QString name;
        int reportPage = 0;
    };

    // Texts by name; a name not here goes to `perRecord`, and without that stays unanswered.
    QHash<QString, QVariant> values;
    std::function<QVariant(int recNo, const QString& name)> perRecord;
    QHash<QString, QImage> images;

    QList<Ask> asks;
    QList<Ask> imageAsks;

    void Connect(ReportEngine& engine);
    // Loads a template (a test template's base name or a resource path), prints `records` through
    // this source to `file` and returns the PDF's path; an empty path when the template is refused.
    QString Print(const QString& templ, const QList<int>& records = {}, const QString& file = QStringLiteral("print.pdf"));
    int CountAsks(const QString& name, int recNo = -1) const;
    // Distinct names in the order first asked.
    QStringList NamesAsked() const;

    // Answers for the shipped templates: record rows whose cells name their record
    // ("Product 007", SN 7...), a few captions, and every other name as its own text.
    static ValueSource* Shipped(QObject* parent);

public slots:
    void Answer(int& recNo, QString& paramName, QVariant& paramValue, int reportPage);
    void AnswerImage(int& recNo, QString& paramName, QImage& paramValue, int reportPage);
};

// Prints to `file` in the data folder without opening it; returns the file's path.
QString PrintPdf(ReportEngine& engine, const QString& file);
