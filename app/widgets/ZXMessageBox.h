#pragma once
// Frameless two-button message box with its own title bar. Accept and reject texts left empty keep
// the form's "Open" and "Close".

#include <QDialog>
#include <QString>

namespace QWK {
class WidgetWindowAgent;
}
namespace Ui {
class ZXMessageBox;
}

class ZXMessageBox : public QDialog {
    Q_OBJECT

public:
    ZXMessageBox(const QString& text, const QString& title, const QString& acceptText = QString(),
                 const QString& rejectText = QString(), QWidget* parent = nullptr);
    ~ZXMessageBox() override;

    QString text() const;
    QString title() const;
    QString acceptText() const;
    QString rejectText() const;

    QWK::WidgetWindowAgent* windowAgent() const { return agent_; }

private slots:
    void on_pb_open_clicked();
    void on_pb_close_clicked();
    void on_pb_win_close_clicked();

private:
    Ui::ZXMessageBox* ui;
    QWK::WidgetWindowAgent* agent_ = nullptr;
};
