#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers modal message boxes and dialogs from a timer, so that a test never hangs
// on exec(). Every modal widget seen is recorded. Queued answers are used in order;
// with none left, a message box gets its Escape button and a dialog is rejected.
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        QString className;
        QString objectName;
        QString title;
        QString text; // a message box's text, or the dialog's window title
    };
    // Returns false when the modal widget is not the one it expects (the test then fails).
    using Handler = std::function<bool(QWidget* modal)>;

    explicit ModalAnswerer(QObject* parent = nullptr);
    ~ModalAnswerer() override;

    // Queue an answer for the next modal widget.
    void pressButton(QMessageBox::StandardButton button);
    void pressButtonText(const QString& text);
    void accept();
    void reject();
    void handle(const Handler& handler);
    // Queue an answer for the next modal widget, which must inherit className; the action gets it as a T.
    template <typename T = QWidget, typename Action>
    void handleClass(const char* className, Action action)
    {
        const QByteArray name(className);
        handle([name, action](QWidget* modal) {
            if (!modal->inherits(name.constData()))
                return false;
            action(static_cast<T*>(modal));
            return true;
        });
    }

    QList<Seen> seen;
    QStringList failures; // answers that met an unexpected widget
    int pendingAnswers() const { return answers.size(); }
    // Answer a modal widget once while it is shown. Without this, a widget that is the active modal
    // one again after a widget above it closed is answered again. That moment can be as short as the
    // gap between one dialog of a chain closing and the next one opening; whether a poll falls into it
    // depends on the machine's load. With this on, only a widget shown anew (after it was hidden) is
    // answered again. clear() turns it off.
    void setAnswerOncePerShowing(bool on) { oncePerShowing = on; }
    // Texts of every message box seen, "title|text".
    QStringList messages() const;
    void clear();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void poll();

private:
    void answer(QWidget* modal);

private:
    QQueue<Handler> answers;
    QPointer<QWidget> lastHandled;
    bool oncePerShowing = false;
    QList<QPointer<QWidget>> shownAndSeen; // answered widgets not hidden since
    QTimer timer;
};
