#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>
#include <optional>

// Where the keyboard's icons live: one single-colour SVG per icon name.
inline constexpr char OVKeyboardIconDirectory[] = ":/KeyboardIcons";

// The size every key icon is drawn at, in points.
inline constexpr int OVKeyboardIconSize = 18;

// The icon `name` from `directory` as a template image: an 18 × 18 point mask (drawn at three
// times the resolution) whose alpha is the artwork, to be drawn in a tint colour. Loaded images
// stay in a process-wide cache for good; an empty name, a missing file or one that does not load
// gives nothing and is looked up again next time.
std::optional<QImage> OVKeyboardIconNamed(const QString& name,
                                          const QString& directory = OVKeyboardIconDirectory);

// The template image filled with `tint`.
QImage OVTintedKeyboardIcon(const QImage& templateImage, const QColor& tint);
