#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

ModalAnswerer::ModalAnswerer(QObject* parent)
    : QObject(parent)
{
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start(30);
}

ModalAnswerer::~ModalAnswerer() = default;

void ModalAnswerer::pressButton(QMessageBox::StandardButton button)
{
    answers.enqueue([button](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->button(button))
            return false;
        box->button(button)->click();
        return true;
    });
}

void ModalAnswerer::pressButtonText(const QString& text)
{
    answers.enqueue([text](QWidget* w) {
        const auto buttons = w->findChildren<QAbstractButton*>();
        for (QAbstractButton* b : buttons) {
            if (b->text().remove(QLatin1Char('&')) == text && b->isVisible()) {
                b->click();
                return true;
            }
        }
        return false;
    });
}

void ModalAnswerer::accept()
{
    answers.enqueue([](QWidget* w) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (!dialog)
            return false;
        dialog->accept();
        return true;
    });
}

void ModalAnswerer::reject()
{
    answers.enqueue([](QWidget* w) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (!dialog)
            return false;
        dialog->reject();
        return true;
    });
}

void ModalAnswerer::handle(const Handler& handler)
{
    answers.enqueue(handler);
}

QStringList ModalAnswerer::messages() const
{
    QStringList out;
    for (const Seen& s : seen) {
        if (s.className == QLatin1String("QMessageBox"))
            out << s.title + QLatin1Char('|') + s.text;
    }
    return out;
}

bool ModalAnswerer::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
        // Its showing is over: shown again, it is a new modal widget to answer.
        shownAndSeen.removeAll(static_cast<QWidget*>(watched));
        watched->removeEventFilter(this);
    }
    return QObject::eventFilter(watched, event);
}

void ModalAnswerer::clear()
{
    oncePerShowing = false;
    shownAndSeen.clear();
    seen.clear();
    failures.clear();
    answers.clear();
}

void ModalAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == lastHandled || !modal->isVisible())
        return;
    lastHandled = modal;
    if (oncePerShowing) {
        if (shownAndSeen.contains(modal))
            return;
        shownAndSeen << modal;
        modal->installEventFilter(this);
    }

    Seen s;
    s.className = QString::fromLatin1(modal->metaObject()->className());
    s.objectName = modal->objectName();
    s.title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal))
        s.text = box->text();
    else
        s.text = modal->windowTitle();
    seen << s;

    // Answer from a fresh event: a button press may open the next modal widget, and this
    // timer does not fire again while its own timeout is still being handled.
    QPointer<QWidget> target(modal);
    QTimer::singleShot(0, this, [this, target] {
        if (target)
            answer(target);
    });
}

void ModalAnswerer::answer(QWidget* modal)
{
    if (!answers.isEmpty()) {
        Handler h = answers.dequeue();
        if (h(modal))
            return;
        failures << QStringLiteral("unexpected %1 \"%2\": %3")
                        .arg(QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle(),
                             seen.isEmpty() ? QString() : seen.last().text);
    }
    // Nothing fitting was queued: close it the way Esc would.
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        if (box->escapeButton())
            box->escapeButton()->click();
        else
            box->reject();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
    } else {
        modal->close();
    }
}
