#include "FingerprintLabel.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPropertyAnimation>

FingerprintLabel::FingerprintLabel(QWidget *parent)
    : QLabel(parent)
    , m_animation(new QPropertyAnimation(this, "scanLinePos", this))
{
    m_animation->setDuration(2000);
    m_animation->setLoopCount(-1);
}

void FingerprintLabel::startScan()
{
    const QPixmap picture = pixmap(Qt::ReturnByValue);
    if (picture.isNull())
        return;
    m_scanning = true;
    m_animation->stop();
    m_scanLinePos = 0;
    m_animation->setStartValue(0);
    m_animation->setEndValue(picture.height());
    m_animation->start();
    update();
}

void FingerprintLabel::stopScan()
{
    m_scanning = false;
    m_animation->stop();
    m_scanLinePos = 0;
    update();
}

void FingerprintLabel::setScanLinePos(int pos)
{
    m_scanLinePos = pos;
    update();
}

void FingerprintLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    const QPixmap picture = pixmap(Qt::ReturnByValue);
    if (!m_scanning || picture.isNull())
        return;
    const int pw = picture.width();
    const int ph = picture.height();
    const int ox = (width() - pw) / 2;
    const int oy = (height() - ph) / 2;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient band(0, m_scanLinePos - 20, 0, m_scanLinePos + 20);
    band.setColorAt(0, QColor(200, 200, 200, 30));
    band.setColorAt(0.5, QColor(200, 200, 200, 100));
    band.setColorAt(1, QColor(200, 200, 200, 30));
    painter.fillRect(QRect(ox, m_scanLinePos - 20, pw, 40), band);

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    const QRect marks[] = {
        {ox, oy, 20, 4},                     {ox, oy, 4, 20},
        {ox + pw - 20, oy, 20, 4},           {ox + pw - 4, oy, 4, 20},
        {ox, oy + ph - 4, 20, 4},            {ox, oy + ph - 20, 4, 20},
        {ox + pw - 20, oy + ph - 4, 20, 4},  {ox + pw - 4, oy + ph - 20, 4, 20},
    };
    for (const QRect &mark : marks)
        painter.drawRect(mark);
}
