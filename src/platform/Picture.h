#pragma once

#include <QIcon>
#include <QMetaType>
#include <QSharedPointer>

namespace lorvane {

// A counted reference to an image. A null Picture is "no picture object"; a Picture holding a
// null QIcon is an empty picture (an object without an image). The two differ for persistence.
using Picture = QSharedPointer<QIcon>;

inline Picture makeEmptyPicture() { return Picture::create(); }

}  // namespace lorvane

Q_DECLARE_METATYPE(lorvane::Picture)
