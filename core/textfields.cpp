#include "textfields.h"

#include <algorithm>

#include <QLineEdit>
#include <QMessageBox>
#include <QSignalBlocker>
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

QString UnstorableField(std::initializer_list<NamedField> fields)
{
    for (const auto& field : fields) {
        const QString text = FieldText(field.first);
        if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); }))
            continue;
        field.first->setFocus();
        return field.second;
    }
    return QString();
}

QString UnstorableFieldMessage(const QString& name)
{
    return QObject::tr("The field '%1' can not hold characters such as emoji. Please remove them.").arg(name);
}

bool TextFitsColumns(QWidget* parent, const QString& title, std::initializer_list<NamedField> fields)
{
    const QString name = UnstorableField(fields);
    if (name.isEmpty())
        return true;
    QMessageBox::warning(parent, title, UnstorableFieldMessage(name));
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
