// Our own player for enhanced metafiles: walks the records (libUEMF's record
// layouts) and paints them with QPainter. Every record is checked against
// the buffer before it is read; a malformed one stops the playback with an
// error, never with a crash.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace quble {

// Paints the metafile so that its frame fills target (painter coordinates).
// Returns false with a reason when the data is not a sound metafile; what
// came before the fault has been painted.
bool PlayEmf(QPainter& painter, const std::vector<std::uint8_t>& data, const QRectF& target, std::string* error);

// The frame's size in pixels of the metafile's reference device, or an empty
// size when the header is unreadable.
QSizeF EmfNaturalSize(const std::vector<std::uint8_t>& data);

// The metafile on a white image of the given size (a null image on error).
QImage RenderEmfToImage(const std::vector<std::uint8_t>& data, QSize size, std::string* error);

// The metafile as an SVG file of the given size in pixels.
bool RenderEmfToSvg(const std::vector<std::uint8_t>& data, QSize size, const QString& path, std::string* error);

}  // namespace quble
