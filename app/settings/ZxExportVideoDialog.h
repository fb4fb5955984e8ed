#pragma once
// "Export a video": the range, folder and file name of an MP4 export.

#include "settings/ZxTimeRangeDialog.h"

class ZxExportVideoUI : public ZxTimeRangeDialog {
    Q_OBJECT

public:
    explicit ZxExportVideoUI(QWidget* parent = nullptr);
};
