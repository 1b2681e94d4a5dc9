#include "console/SplashWnd.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

CSplashWnd::CSplashWnd()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("splash"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setCursor(Qt::ArrowCursor);
}

bool CSplashWnd::Create() {
    m_bitmap = QPixmap(QStringLiteral(":/splash.png"));
    const QSize size = m_bitmap.isNull() ? QSize(WIDTH, HEIGHT) : m_bitmap.size();
    QScreen* pScreen = QGuiApplication::primaryScreen();
    // Centred on the primary screen, wherever that lies on the desktop.
    const QRect screen = pScreen ? pScreen->geometry() : QRect(0, 0, 1024, 768);
    setFixedSize(size);
    move(screen.left() + (screen.width() - size.width()) / 2,
         screen.top() + (screen.height() - size.height()) / 2);
    return !m_bitmap.isNull();
}

void CSplashWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bitmap);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(17);
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    // (413, 224) is the top-left corner of the text's box.
    painter.drawText(QPoint(413, 224 + QFontMetrics(font).ascent()), QStringLiteral("Version 1.1"));
}
