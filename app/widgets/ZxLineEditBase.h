#pragma once
// Line edit of the kit: centred 12 px text, grey border that turns blue while it has focus.

#include <QLineEdit>

class ZxLineEditBase : public QLineEdit {
    Q_OBJECT

public:
    explicit ZxLineEditBase(QWidget* parent = nullptr);

    // Replaces (or adds) "border: 1px solid <colour>;" in the own style sheet.
    void setBorderColor(const QString& colour);

signals:
    void signalMouseHoverd(bool hovered);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
