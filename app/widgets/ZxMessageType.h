#pragma once
// Kind of a user notification; travels with every signalShowLeftBottomTips to the toast.

#include <QMetaType>

enum ZxMessageType : int {
    ZxMessageSuccess = 0,
    ZxMessageWarning = 1,
    ZxMessageError = 2,
};

Q_DECLARE_METATYPE(ZxMessageType)
