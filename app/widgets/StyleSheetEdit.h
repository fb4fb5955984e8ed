#pragma once
// Edits one declaration of a widget's own style sheet in place, so that colour changes keep the
// rest of the sheet. Only whole property names match: "border" never hits "border-radius" and
// "color" never hits "background-color".

#include <QString>

class QWidget;

namespace zxstyle {

// Sets a widget's own style sheet and makes the style read it again at once: a widget whose rules
// were looked up before it was first shown would otherwise keep the old ones.
void applyStyleSheet(QWidget* widget, const QString& sheet);

// Replaces the first declaration of `property` by `declaration` (e.g. "border: 1px solid red;").
// Returns true when one was found.
bool replaceDeclaration(QString& sheet, const QString& property, const QString& declaration);

// Replaces like replaceDeclaration, or adds the declaration when the sheet has none: inside the
// last rule block when the sheet has blocks, at the end otherwise.
void replaceOrAppendDeclaration(QString& sheet, const QString& property, const QString& declaration);

}  // namespace zxstyle
