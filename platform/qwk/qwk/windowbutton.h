#pragma once
// Title-bar button whose icon follows its normal, checked and disabled icons (settable from style
// sheets as qproperty-iconNormal etc.).

#include <QIcon>
#include <QPushButton>

namespace QWK {

class WindowButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(QIcon iconNormal READ iconNormal WRITE setIconNormal FINAL)
    Q_PROPERTY(QIcon iconChecked READ iconChecked WRITE setIconChecked FINAL)
    Q_PROPERTY(QIcon iconDisabled READ iconDisabled WRITE setIconDisabled FINAL)

public:
    explicit WindowButton(QWidget* parent = nullptr);

    QIcon iconNormal() const { return iconNormal_; }
    void setIconNormal(const QIcon& icon);
    QIcon iconChecked() const { return iconChecked_; }
    void setIconChecked(const QIcon& icon);
    QIcon iconDisabled() const { return iconDisabled_; }
    void setIconDisabled(const QIcon& icon);

signals:
    void doubleClicked();

protected:
    void checkStateSet() override;
    void changeEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void reloadIcon();

    QIcon iconNormal_;
    QIcon iconChecked_;
    QIcon iconDisabled_;
};

}  // namespace QWK
