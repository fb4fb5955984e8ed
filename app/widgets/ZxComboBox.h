#pragma once
// Editable combo box in a frame whose halo lights up while the list is open or the text is edited.

#include <QMetaObject>
#include <QWidget>

class ZXComboBoxBase;

namespace Ui {
class ZxComboBox;
}

class ZxComboBox : public QWidget {
    Q_OBJECT

public:
    explicit ZxComboBox(QWidget* parent = nullptr);
    ~ZxComboBox() override;

    ZXComboBoxBase* comboBox() const;
    QWidget* frame() const;

    // true: typing is reported and lights the halo; false: the text is read-only.
    void setEditable(bool editable);
    bool isEditable() const { return editable_; }
    bool haloOn() const { return haloOn_; }

    // Replaces the frame's border colour (only when the frame has a border declaration).
    void setFrameBorderColor(const QString& colour);
    // Replaces the first `property` declaration of the inner combo box's style sheet.
    void setComboProperty(const QString& property, const QString& declaration);

signals:
    void signalLineEditTextChanged(const QString& text);
    void signalLineEditEditingFinished();
    void currentTextChanged(const QString& text);

private slots:
    void on_cb_combox_in_widget_currentTextChanged(const QString& text);

private:
    void setHalo(bool on);

    Ui::ZxComboBox* ui;
    bool editable_ = false;
    bool haloOn_ = false;
    QMetaObject::Connection textChangedConnection_;
    QMetaObject::Connection textEditedConnection_;
    QMetaObject::Connection editingFinishedConnection_;
};
