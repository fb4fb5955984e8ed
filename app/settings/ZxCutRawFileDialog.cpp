#include "settings/ZxCutRawFileDialog.h"

ZxCutRawFile::ZxCutRawFile(QWidget* parent)
    : ZxTimeRangeDialog(tr("Cut Recording"), tr("Cut"), QStringLiteral("xxx.raw"), QStringLiteral("ZxCutRawFile"),
                        parent) {}
