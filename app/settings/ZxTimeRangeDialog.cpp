#include "settings/ZxTimeRangeDialog.h"

#include "ui_ZxTimeRangeDialog.h"

#include "qwk/widgetwindowagent.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <algorithm>
#include <limits>

ZxTimeRangeDialog::ZxTimeRangeDialog(const QString& title, const QString& saveText, const QString& defaultFileName,
                                     const QString& windowTitle, QWidget* parent)
    : QDialog(parent), ui(new Ui::ZxTimeRangeDialog) {
    ui->setupUi(this);
    setAttribute(Qt::WA_StyledBackground);
    ui->widget_title_bar->setAttribute(Qt::WA_StyledBackground);
    setWindowTitle(windowTitle);

    agent_ = new QWK::WidgetWindowAgent(this);
    agent_->setup(this);
    agent_->setTitleBar(ui->widget_title_bar);
    agent_->setSystemButton(QWK::WindowAgentBase::Close, ui->pb_win_close);

    ui->lb_title->setText(title);
    ui->pb_save->setText(saveText);
    ui->le_file_name->setText(defaultFileName);
    ui->lb_error->hide();
}

ZxTimeRangeDialog::~ZxTimeRangeDialog() {
    delete ui;
}

void ZxTimeRangeDialog::setStartTime(uint64_t timestamp_us) {
    ui->le_start_time->setText(QString::number(timestamp_us));
}

void ZxTimeRangeDialog::setEndTime(uint64_t timestamp_us) {
    ui->le_end_time->setText(QString::number(timestamp_us));
}

std::optional<uint64_t> ZxTimeRangeDialog::parseTime(const QString& text) {
    bool ok = false;
    const qulonglong value = text.trimmed().toULongLong(&ok, 10);
    if (!ok) return std::nullopt;
    return static_cast<uint64_t>(value);
}

uint64_t ZxTimeRangeDialog::startTime() const {
    return parseTime(ui->le_start_time->text()).value_or(0);
}

uint64_t ZxTimeRangeDialog::endTime() const {
    return parseTime(ui->le_end_time->text()).value_or(0);
}

void ZxTimeRangeDialog::setSaveDir(const QString& dir) {
    ui->le_save_file_path->setText(dir);
}

QString ZxTimeRangeDialog::saveDir() const {
    return ui->le_save_file_path->text();
}

void ZxTimeRangeDialog::setFileName(const QString& name) {
    ui->le_file_name->setText(name);
}

QString ZxTimeRangeDialog::fileName() const {
    return ui->le_file_name->text();
}

QString ZxTimeRangeDialog::filePath() const {
    return saveDir() + "/" + fileName();
}

void ZxTimeRangeDialog::setRecordingRange(uint64_t first_us, uint64_t last_us) {
    hasRange_ = first_us <= last_us;
    rangeFirst_ = first_us;
    rangeLast_ = last_us;
}

QString ZxTimeRangeDialog::validationError() const {
    const std::optional<uint64_t> start = parseTime(ui->le_start_time->text());
    if (!start) return tr("The start time must be a whole number of microseconds.");
    const std::optional<uint64_t> end = parseTime(ui->le_end_time->text());
    if (!end) return tr("The end time must be a whole number of microseconds.");
    if (*start >= *end) return tr("The start time must be before the end time.");
    if (hasRange_ && (*start < rangeFirst_ || *end > rangeLast_)) {
        return tr("The range must lie within the recording, %1 to %2 us.")
            .arg(QString::number(rangeFirst_), QString::number(rangeLast_));
    }
    const QString dir = saveDir().trimmed();
    if (dir.isEmpty() || !QFileInfo(dir).isDir()) return tr("Choose an existing folder.");
    const QString name = fileName().trimmed();
    if (name.isEmpty()) return tr("Enter a file name.");
    if (name.contains('/') || name.contains('\\') || name == "." || name == "..") {
        return tr("The file name must not contain a folder.");
    }
    if (QFileInfo::exists(QDir(dir).filePath(name))) return tr("A file with this name already exists.");
    return QString();
}

QString ZxTimeRangeDialog::shownError() const {
    return ui->lb_error->isHidden() ? QString() : ui->lb_error->text();
}

void ZxTimeRangeDialog::on_pb_save_clicked() {
    const QString error = validationError();
    if (!error.isEmpty()) {
        ui->lb_error->setText(error);
        ui->lb_error->show();
        return;
    }
    ui->lb_error->hide();
    accept();
}

void ZxTimeRangeDialog::on_pb_cancel_clicked() {
    reject();
}

void ZxTimeRangeDialog::on_pb_win_close_clicked() {
    reject();
}

void ZxTimeRangeDialog::on_pb_select_dir_clicked() {
    const QString dir = QFileDialog::getExistingDirectory(this, tr("Select Directory"), saveDir(),
                                                          QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!dir.isEmpty()) setSaveDir(dir);
}

void ZxTimeRangeDialog::stepField(bool start, bool up) {
    QLineEdit* field = start ? ui->le_start_time : ui->le_end_time;
    const uint64_t value = parseTime(field->text()).value_or(0);
    uint64_t lowest = 0;
    uint64_t highest = std::numeric_limits<uint64_t>::max();
    if (hasRange_) {
        lowest = rangeFirst_;
        highest = rangeLast_;
    }
    uint64_t next;
    if (up) {
        next = highest - value < kTimeStepUs || value > highest ? highest : value + kTimeStepUs;
    } else {
        next = value < kTimeStepUs || value - kTimeStepUs < lowest ? lowest : value - kTimeStepUs;
    }
    next = std::clamp(next, lowest, highest);
    field->setText(QString::number(next));
}

void ZxTimeRangeDialog::on_pb_start_time_plus_clicked() {
    stepField(true, true);
}

void ZxTimeRangeDialog::on_pb_start_time_sub_clicked() {
    stepField(true, false);
}

void ZxTimeRangeDialog::on_pb_end_time_plus_clicked() {
    stepField(false, true);
}

void ZxTimeRangeDialog::on_pb_end_time_sub_clicked() {
    stepField(false, false);
}
