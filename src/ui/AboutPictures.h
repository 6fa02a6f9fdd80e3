#pragma once
// The About window's pictures, drawn at run time so that the program ships no
// image files: a neutral banner, a product banner, a small logo.

#include <QPixmap>
#include <QWidget>

namespace AboutPictures {
// 327 x 126: a neutral banner (a communicator sending to a station).
QPixmap NeutralBanner();
// 327 x 126: the product family's banner (monogram and signal arcs).
QPixmap ProductBanner();
// 98 x 24: the product family's small logo.
QPixmap SmallLogo();
} // namespace AboutPictures

// A fixed picture on a window. Deliberately not a label: pictures carry no
// caption, so nothing ever tries to translate them.
class TPictureBox : public QWidget {
    Q_OBJECT
public:
    explicit TPictureBox(QWidget* parent = nullptr) : QWidget(parent) {}
    void setPixmap(const QPixmap& pixmap);
    QPixmap pixmap() const { return m_pixmap; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_pixmap;
};
