#pragma once
// Image area of the main window: one pixmap in a scene inside a ZxGraphicsView. Frames of the
// event and fusion processors arrive through slotShowImage; zoom and pan stay as the user left
// them, the view refits only on resize and show.

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QWidget>

class QGraphicsPixmapItem;
class QGraphicsScene;
class ZxGraphicsView;

namespace Ui {
class ShowImageForm;
}

class ShowImageForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultWidth = 1280;
    static constexpr int kDefaultHeight = 720;

    explicit ShowImageForm(QWidget* parent = nullptr);
    ~ShowImageForm() override;

    ZxGraphicsView* view() const;
    QGraphicsScene* scene() const { return scene_; }
    QGraphicsPixmapItem* pixmapItem() const { return pixmapItem_; }
    const QPixmap& pixmap() const { return pixmap_; }
    int imageWidth() const { return width_; }
    int imageHeight() const { return height_; }

signals:
    void signalRoiSelected(QRect roi);

public slots:
    void slotShowImage(QImage image);
    void slotSetResolution(int width, int height);
    void slotSetRoiSelectionEnabled(bool enabled);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setPixmap(const QPixmap& pixmap);
    void fitImage();

    Ui::ShowImageForm* ui = nullptr;
    QGraphicsScene* scene_ = nullptr;
    QGraphicsPixmapItem* pixmapItem_ = nullptr;
    QPixmap pixmap_;
    int width_ = kDefaultWidth;
    int height_ = kDefaultHeight;
};
