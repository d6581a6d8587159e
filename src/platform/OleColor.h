#pragma once

#include <QColor>
#include <QPalette>

namespace lorvane {

// An OLE_COLOR: 0x00BBGGRR, or with the top bit set a system colour index, mapped to the
// matching role of the application palette.
QColor oleColorToQColor(quint32 value, const QPalette& palette);

}  // namespace lorvane
