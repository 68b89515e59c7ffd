#pragma once

#include <QPixmap>

namespace pelmora
{

inline const QString kVersionLabel = QStringLiteral("4.18");

// The 399 x 215 picture of the splash window and the about box, with the version label at
// its lower right.
QPixmap SplashPicture();

} // namespace pelmora
