#include "widgets/ZxLineEditBase.h"

#include "widgets/StyleSheetEdit.h"

ZxLineEditBase::ZxLineEditBase(QWidget* parent) : QLineEdit(parent) {
    setStyleSheet(
        "QLineEdit{font-family:\"Noto Sans SC Medium\";font-size:12px;color:#555555;"
        "border: 1px solid #ACACAC;border-radius:3px;background-color:#FFFFFF;}");
    setAlignment(Qt::AlignCenter);
}

void ZxLineEditBase::setBorderColor(const QString& colour) {
    QString sheet = styleSheet();
    zxstyle::replaceOrAppendDeclaration(sheet, "border", "border: 1px solid " + colour + ";");
    zxstyle::applyStyleSheet(this, sheet);
}

void ZxLineEditBase::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    setBorderColor("#004B6A");
    emit signalMouseHoverd(true);
}

void ZxLineEditBase::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    setBorderColor("#ACACAC");
    emit signalMouseHoverd(false);
}
