#pragma once

#include "platform/LorvaneExport.h"

#include <QColor>
#include <QPalette>

namespace lorvane {

// An OLE_COLOR: 0x00BBGGRR, or with the top bit set a system colour index, mapped to the
// matching role of the application palette.
LORVANE_EXPORT QColor oleColorToQColor(quint32 value, const QPalette& palette);

}  // namespace lorvane
