#pragma once
// Shared body of the export and cut dialogs: a time range in microseconds of the recording, a
// folder and a file name. The owner fills the fields, runs the dialog and reads them back once
// accepted. Saving is refused, with the reason shown in the dialog, while the values cannot work:
// the range must be non-empty and inside the recording, the folder must exist, and the file must
// be new (the job would otherwise overwrite a file, possibly the recording being read).

#include <QDialog>
#include <QString>

#include <cstdint>
#include <optional>

namespace QWK {
class WidgetWindowAgent;
}
namespace Ui {
class ZxTimeRangeDialog;
}

class ZxTimeRangeDialog : public QDialog {
    Q_OBJECT

public:
    // Step of the plus and minus buttons: one played frame.
    static constexpr uint64_t kTimeStepUs = 33333;

    ~ZxTimeRangeDialog() override;

    void setStartTime(uint64_t timestamp_us);
    void setEndTime(uint64_t timestamp_us);
    // The fields as unsigned decimal numbers; text that is not one reads as 0.
    uint64_t startTime() const;
    uint64_t endTime() const;

    void setSaveDir(const QString& dir);
    QString saveDir() const;
    void setFileName(const QString& name);
    QString fileName() const;
    // Folder + "/" + file name, as typed.
    QString filePath() const;

    // Bounds of the recording the range is cut from; without them only start < end is checked.
    void setRecordingRange(uint64_t first_us, uint64_t last_us);

    // Why the current values cannot be saved; empty when they can.
    QString validationError() const;
    // The reason shown after the last refused save.
    QString shownError() const;

    QWK::WidgetWindowAgent* windowAgent() const { return agent_; }

protected:
    ZxTimeRangeDialog(const QString& title, const QString& saveText, const QString& defaultFileName,
                      const QString& windowTitle, QWidget* parent);

private slots:
    void on_pb_save_clicked();
    void on_pb_cancel_clicked();
    void on_pb_win_close_clicked();
    void on_pb_select_dir_clicked();
    void on_pb_start_time_plus_clicked();
    void on_pb_start_time_sub_clicked();
    void on_pb_end_time_plus_clicked();
    void on_pb_end_time_sub_clicked();

private:
    static std::optional<uint64_t> parseTime(const QString& text);
    void stepField(bool start, bool up);

    Ui::ZxTimeRangeDialog* ui;
    QWK::WidgetWindowAgent* agent_ = nullptr;
    bool hasRange_ = false;
    uint64_t rangeFirst_ = 0;
    uint64_t rangeLast_ = 0;
};
