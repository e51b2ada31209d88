// The bytes of a stream of an AVI file as our reader finds them, chunk after chunk.
#pragma once

#include "formats/aviheaders.h"

#include <QByteArray>
#include <QString>

namespace testsupport {

// Every chunk of the first stream of that type ('vids', 'auds', 'iavs') joined;
// empty when the file or the stream cannot be read.
QByteArray StreamContent(const QString &avi, FourCC type);

}  // namespace testsupport
