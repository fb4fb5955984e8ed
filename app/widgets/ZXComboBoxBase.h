#pragma once
// Combo box of the kit: no opening animation, no drop shadow, list items without a focus frame,
// opens 2 px below itself, and ignores the mouse wheel so scrolling a panel never changes it.

#include <QComboBox>
#include <QStyledItemDelegate>

class NoFocusFrameDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class ZXComboBoxBase : public QComboBox {
    Q_OBJECT

public:
    explicit ZXComboBoxBase(QWidget* parent = nullptr);

    void showPopup() override;
    void hidePopup() override;

signals:
    void popupShown();
    void popupHidden();

protected:
    void wheelEvent(QWheelEvent* event) override;
};
