#pragma once

#include <QPixmap>
#include <QWidget>

// The picture shown once at start-up, above every other window, until a second has passed and
// the program is idle, or until a key or a click.
class CSplashWnd : public QWidget {
public:
    CSplashWnd();

    // Centres the window on the screen at the picture's size; false when there is no picture.
    bool Create();

    static constexpr int WIDTH = 523;
    static constexpr int HEIGHT = 302;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QPixmap m_bitmap;
};
