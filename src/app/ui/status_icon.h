#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

// Where the status item's artwork lives.
inline constexpr char OVStatusIconResource[] = ":/orvetta-menubar.svg";

// The status item's icon: the SVG artwork at the sizes panels use, else the drawn fallback.
QIcon OVStatusIcon(const QString& resourcePath = OVStatusIconResource);
// The artwork `pixels` wide and high; a null image when the resource is missing or broken.
QImage OVStatusIconArtwork(int pixels, const QString& resourcePath = OVStatusIconResource);
// The fallback: a violet disc with two white rings and a white centre, drawn on an 18-point grid
// and scaled to `pixels`.
QImage OVDrawnStatusIconImage(int pixels);
// The artwork, else the drawn fallback.
QImage OVStatusIconImage(int pixels, const QString& resourcePath = OVStatusIconResource);
