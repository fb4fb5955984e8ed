#include "widgets/StyleSheetEdit.h"

#include <QRegularExpression>
#include <QStyle>
#include <QWidget>

namespace zxstyle {

void applyStyleSheet(QWidget* widget, const QString& sheet) {
    if (!widget) {
        return;
    }
    widget->setStyleSheet(sheet);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
    widget->update();
}

bool replaceDeclaration(QString& sheet, const QString& property, const QString& declaration) {
    const QRegularExpression re("(?<![\\w-])(" + QRegularExpression::escape(property) + "\\s*:[^;}]*;?)");
    const QRegularExpressionMatch m = re.match(sheet);
    if (!m.hasMatch()) {
        return false;
    }
    sheet.replace(m.capturedStart(1), m.capturedLength(1), declaration);
    return true;
}

void replaceOrAppendDeclaration(QString& sheet, const QString& property, const QString& declaration) {
    if (replaceDeclaration(sheet, property, declaration)) {
        return;
    }
    const qsizetype close = sheet.lastIndexOf('}');
    if (close >= 0) {
        sheet.insert(close, declaration);
    } else {
        if (!sheet.isEmpty() && !sheet.trimmed().endsWith(';')) {
            sheet.append(';');
        }
        sheet.append(declaration);
    }
}

}  // namespace zxstyle
