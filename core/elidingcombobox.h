#pragma once

#include <QComboBox>

class QStyleOptionComboBox;

// A combo box whose width asks no room for its longest entry, so a long name never widens the form around it. A
// current text longer than the box ends in "…", and a pointer resting on it brings it up whole, so a cut name never
// passes for another one; the drop-down list shows every entry whole. Holds no tool tip of its own.
class ElidingComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ElidingComboBox(QWidget* parent = nullptr);

    bool isTextCut() const;
    void showPopup() override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString shownText(const QStyleOptionComboBox& option) const;
};
