#pragma once
// "Cut Recording": the range, folder and file name of a new raw file cut from the recording.

#include "settings/ZxTimeRangeDialog.h"

class ZxCutRawFile : public ZxTimeRangeDialog {
    Q_OBJECT

public:
    explicit ZxCutRawFile(QWidget* parent = nullptr);
};
