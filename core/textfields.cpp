#include "textfields.h"

#include <algorithm>

#include <QLineEdit>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTextDocument>
#include <QTextEdit>

namespace {

QString FieldText(const QWidget* field)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(field))
        return line->text();
    if (const auto* text = qobject_cast<const QTextEdit*>(field))
        return text->toPlainText();
    return QString();
}

} // namespace

QString TextRefusal(const QString& text, const QString& name, int length)
{
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); }))
        return QObject::tr("The field '%1' can not hold characters such as emoji. Please remove them.").arg(name);
    // Without 4-byte characters every character is one UTF-16 unit, as the column counts them.
    if (length > 0 && text.size() > length)
        return QObject::tr("The field '%1' can hold at most %2 characters. Please shorten it.").arg(name).arg(length);
    return QString();
}

QString FieldRefusal(std::initializer_list<NamedField> fields)
{
    for (const NamedField& field : fields) {
        const QString refusal = TextRefusal(FieldText(field.field), field.name, field.length);
        if (refusal.isEmpty())
            continue;
        field.field->setFocus();
        return refusal;
    }
    return QString();
}

bool TextFitsColumns(QWidget* parent, const QString& title, std::initializer_list<NamedField> fields)
{
    const QString refusal = FieldRefusal(fields);
    if (refusal.isEmpty())
        return true;
    QMessageBox::warning(parent, title, refusal);
    return false;
}

void LimitTextEdit(QTextEdit* edit, int length)
{
    QObject::connect(edit, &QTextEdit::textChanged, edit, [edit, length] {
        const QString text = edit->toPlainText();
        if (text.size() <= length)
            return;
        const QSignalBlocker blocker(edit);
        edit->setPlainText(text.left(length));
        QTextCursor cursor = edit->textCursor();
        cursor.movePosition(QTextCursor::End);
        edit->setTextCursor(cursor);
    });
}

QString PlainToolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    // Qt lays a tip of markup out about as high as wide: a name keeps its line as a plain tip does, and only a
    // longer text (a server's message) wraps.
    const QStringList lines = text.split(QLatin1Char('\n'));
    const bool wraps = std::any_of(lines.begin(), lines.end(), [](const QString& line) { return line.size() > 80; });
    return (wraps ? QStringLiteral("<p style='white-space:pre-wrap'>") : QStringLiteral("<p style='white-space:pre'>"))
        + text.toHtmlEscaped() + QStringLiteral("</p>");
}
