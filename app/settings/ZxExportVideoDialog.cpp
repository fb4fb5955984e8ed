#include "settings/ZxExportVideoDialog.h"

ZxExportVideoUI::ZxExportVideoUI(QWidget* parent)
    : ZxTimeRangeDialog(tr("Export a video"), tr("Export"), QStringLiteral("xxx.mp4"),
                        QStringLiteral("ZxExportVideoUI"), parent) {}
