#include "widgets/ZxComboBox.h"

#include "ui_ZxComboBox.h"
#include "widgets/StyleSheetEdit.h"
#include "widgets/ZXComboBoxBase.h"

#include <QLineEdit>
#include <QPointer>
#include <QTimer>

ZxComboBox::ZxComboBox(QWidget* parent) : QWidget(parent), ui(new Ui::ZxComboBox) {
    ui->setupUi(this);
    ui->cb_combox_in_widget->setEditable(true);
    setEditable(true);
    // The list opens inside showPopup; light the halo once it is up.
    connect(ui->cb_combox_in_widget, &ZXComboBoxBase::popupShown, this, [this] {
        QTimer::singleShot(0, this, [this] { setHalo(true); });
    });
    connect(ui->cb_combox_in_widget, &ZXComboBoxBase::popupHidden, this, [this] { setHalo(false); });
}

ZxComboBox::~ZxComboBox() {
    // Closing the window below hides the list once more; its signals must not reach a dead form.
    disconnect(ui->cb_combox_in_widget, nullptr, this, nullptr);
    if (QLineEdit* edit = ui->cb_combox_in_widget->lineEdit()) {
        disconnect(edit, nullptr, this, nullptr);
    }
    delete ui;
}

ZXComboBoxBase* ZxComboBox::comboBox() const {
    return ui->cb_combox_in_widget;
}

QWidget* ZxComboBox::frame() const {
    return ui->comboBoxWidget;
}

void ZxComboBox::setEditable(bool editable) {
    QLineEdit* edit = ui->cb_combox_in_widget->lineEdit();
    disconnect(textChangedConnection_);
    disconnect(textEditedConnection_);
    disconnect(editingFinishedConnection_);
    editable_ = editable;
    if (!edit) {
        return;
    }
    edit->setReadOnly(!editable);
    if (editable) {
        textChangedConnection_ = connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) {
            emit signalLineEditTextChanged(text);
        });
        // Only typing lights the halo: text set by the program (a list choice, a panel refresh)
        // must not leave one behind.
        textEditedConnection_ = connect(edit, &QLineEdit::textEdited, this, [this] { setHalo(true); });
        editingFinishedConnection_ = connect(edit, &QLineEdit::editingFinished, this, [this] {
            emit signalLineEditEditingFinished();
            setHalo(false);
        });
    }
}

void ZxComboBox::setHalo(bool on) {
    haloOn_ = on;
    zxstyle::applyStyleSheet(ui->comboBoxWidget, on ? "#comboBoxWidget{border: 2px solid #D7E7EE; border-radius: 3px;}"
                                                     : "#comboBoxWidget{border: 2px solid transparent; border-radius: 3px;}");
    QString sheet = ui->cb_combox_in_widget->styleSheet();
    zxstyle::replaceOrAppendDeclaration(sheet, "color", on ? "color:#004B6A;" : "color:#A7A7A7;");
    zxstyle::applyStyleSheet(ui->cb_combox_in_widget, sheet);
}

void ZxComboBox::setFrameBorderColor(const QString& colour) {
    QString sheet = ui->comboBoxWidget->styleSheet();
    if (zxstyle::replaceDeclaration(sheet, "border", "border: 2px solid " + colour + ";")) {
        zxstyle::applyStyleSheet(ui->comboBoxWidget, sheet);
    }
}

void ZxComboBox::setComboProperty(const QString& property, const QString& declaration) {
    QString sheet = ui->cb_combox_in_widget->styleSheet();
    if (zxstyle::replaceDeclaration(sheet, property, declaration)) {
        zxstyle::applyStyleSheet(ui->cb_combox_in_widget, sheet);
    }
}

void ZxComboBox::on_cb_combox_in_widget_currentTextChanged(const QString& text) {
    emit currentTextChanged(text);
}
