#include "shell/widgets/SplashPicture.h"

#include <QLinearGradient>
#include <QPainter>

namespace pelmora
{

QPixmap SplashPicture()
{
    QPixmap picture(399, 215);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 215);
    sky.setColorAt(0, QColor(38, 70, 122));
    sky.setColorAt(1, QColor(16, 32, 64));
    p.fillRect(picture.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawEllipse(QPointF(330, 40), 120, 120);
    p.setBrush(QColor(255, 180, 60));
    p.drawRoundedRect(QRectF(28, 58, 46, 46), 10, 10);
    p.setPen(Qt::white);
    QFont title(QStringLiteral("Verdana"));
    title.setPixelSize(38);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRectF(88, 50, 300, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Pelmora"));
    QFont sub(QStringLiteral("Verdana"));
    sub.setPixelSize(13);
    p.setFont(sub);
    p.setPen(QColor(210, 222, 240));
    p.drawText(QRectF(30, 118, 340, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Order manager for your Corvane cart"));
    QFont version(QStringLiteral("Verdana"));
    version.setPixelSize(12);
    p.setFont(version);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 391, 207), Qt::AlignRight | Qt::AlignBottom, kVersionLabel);
    return picture;
}

} // namespace pelmora
