#pragma once
// Values shared by the window agents of this frameless-window layer.

#include <QObject>

namespace QWK {

class WindowAgentBase : public QObject {
    Q_OBJECT

public:
    enum SystemButton {
        Unknown = 0,
        WindowIcon = 1,
        Help = 2,
        Minimize = 3,
        Maximize = 4,
        Close = 5,
    };
    Q_ENUM(SystemButton)

    using QObject::QObject;
};

}  // namespace QWK
