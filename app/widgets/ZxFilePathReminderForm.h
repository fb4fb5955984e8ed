#pragma once
// Toast: reports success, warning or error, optionally offers to open the folder of a saved file,
// and destroys itself after kLifetimeMs. A child widget of its parent, which places it.

#include "widgets/ZxMessageType.h"

#include <QString>
#include <QWidget>

namespace Ui {
class ZxFilePathReminderForm;
}

class ZxFilePathReminderForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLifetimeMs = 5000;

    ZxFilePathReminderForm(const QString& text, ZxMessageType type, const QString& filePath,
                           QWidget* parent = nullptr);
    ~ZxFilePathReminderForm() override;

    ZxMessageType type() const { return type_; }
    QString filePath() const { return filePath_; }

public slots:
    void onTimeupDestroy();

private slots:
    void on_pb_open_dir_clicked();
    void on_pb_close_clicked();

private:
    Ui::ZxFilePathReminderForm* ui;
    ZxMessageType type_;
    QString filePath_;
};
