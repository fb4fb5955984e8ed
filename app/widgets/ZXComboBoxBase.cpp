#include "widgets/ZXComboBoxBase.h"

#include <QApplication>
#include <QListView>
#include <QWheelEvent>

namespace {

const char* const kComboStyle =
    "QComboBox{color:#A7A7A7;background-color:#FFFFFF;border:1px solid #A7A7A7;border-radius:3px;"
    "padding-left:6px;padding-right:25px;font-family:\"Noto Sans SC Medium\";font-size:12px;}"
    "QComboBox:on{color:#004B6A;border:1px solid #004B6A;}"
    "QComboBox::drop-down{subcontrol-origin:padding;subcontrol-position:center right;width:28px;right:5px;"
    "border:none;}"
    "QComboBox::down-arrow{image:url(:/img/assets/bnt_arrow_down.svg);width:28px;height:28px;}"
    "QComboBox::down-arrow:on{image:url(:/img/assets/bnt_arrow_up_Pressed.svg);}"
    "QComboBox QAbstractItemView{background-color:#FFFFFF;border:1px solid #A7A7A7;outline:0px;}"
    "QComboBox QAbstractItemView::item{height:24px;margin:2px 3px;color:#555555;}"
    "QComboBox QAbstractItemView::item:hover,QComboBox QAbstractItemView::item:selected"
    "{background-color:#E1E9ED;color:#004B6A;}"
    "QComboBox QAbstractItemView QScrollBar:vertical{width:2px;background:transparent;}"
    "QComboBox QAbstractItemView QScrollBar::handle:vertical{background:#004B6A;}"
    "QComboBox QAbstractItemView QScrollBar::add-line:vertical,"
    "QComboBox QAbstractItemView QScrollBar::sub-line:vertical{height:0px;}";

}  // namespace

void NoFocusFrameDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem plain(option);
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
}

ZXComboBoxBase::ZXComboBoxBase(QWidget* parent) : QComboBox(parent) {
    QApplication::setEffectEnabled(Qt::UI_AnimateCombo, false);
    auto* list = new QListView(this);
    list->setItemDelegate(new NoFocusFrameDelegate(list));
    setView(list);
    if (QWidget* container = view()->parentWidget();
        container && qstrcmp(container->metaObject()->className(), "QComboBoxPrivateContainer") == 0) {
        container->setWindowFlags(container->windowFlags() | Qt::NoDropShadowWindowHint);
    }
    setStyleSheet(kComboStyle);
}

void ZXComboBoxBase::showPopup() {
    emit popupShown();
    QComboBox::showPopup();
    if (QWidget* container = view()->parentWidget()) {
        container->move(container->x(), container->y() + 2);
    }
}

void ZXComboBoxBase::hidePopup() {
    emit popupHidden();
    QComboBox::hidePopup();
}

void ZXComboBoxBase::wheelEvent(QWheelEvent* event) {
    // Let the enclosing panel scroll instead.
    event->ignore();
}
