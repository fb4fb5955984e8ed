#pragma once
// "Open a camera": lists the cameras discovery found, one row per serial number. The search
// field hides the rows whose serial does not contain its text.

#include "hal/EventTypes.h"

#include <QDialog>

#include <vector>

class QListWidgetItem;

namespace QWK {
class WidgetWindowAgent;
}
namespace Ui {
class CamerasList;
}

class CamerasList : public QDialog {
    Q_OBJECT

public:
    explicit CamerasList(const std::vector<quillex::CameraDescription>& descriptions, QWidget* parent = nullptr);
    ~CamerasList() override;

    // Index into the descriptions given at construction of the chosen row; false when no
    // visible row is current.
    bool selectedIndex(int& out) const;
    // Hides the rows whose serial does not contain `text` (case-insensitive); the current row
    // moves to the first visible one when it was hidden.
    void filterCameras(const QString& text);

public slots:
    void accept() override;
    void rejected();
    void on_pb_win_close_clicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QListWidgetItem* firstVisibleItem() const;

    Ui::CamerasList* ui;
    QWidget* parentWindow_ = nullptr;
    QWK::WidgetWindowAgent* agent_ = nullptr;
};
