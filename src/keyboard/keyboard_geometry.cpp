#include "keyboard/keyboard_geometry.h"

#include <algorithm>
#include <cmath>

#include "keyboard/keyboard_layouts.h"

namespace {

using namespace OVKeyboardMetrics;

// Half away from zero, as frames are rounded.
int rounded(double value) {
    return static_cast<int>(std::lround(value));
}

double rowsHeight(qsizetype rows) {
    return static_cast<double>(rows) * KeyHeight +
           static_cast<double>(std::max<qsizetype>(rows - 1, 0)) * KeyGap;
}

double spannedLength(double unit, int span) {
    return unit * span + KeyGap * (span - 1);
}

}  // namespace

QSizeF OVKeyboardPanelSizeForRowCount(unsigned rows) {
    return QSizeF(PanelWidth, rowsHeight(rows) + 2 * KeyViewInset);
}

double OVKeyboardKeyUnit(double keyViewWidth) {
    return (keyViewWidth - (OVKeyboardGridUnits - 1) * KeyGap) / OVKeyboardGridUnits;
}

QList<QList<QRect>> OVKeyboardKeyFrames(const OVKeyboardLayout& rows, const QSizeF& keyViewSize) {
    const double unit = OVKeyboardKeyUnit(keyViewSize.width());
    const double topOffset = std::max(0.0, (keyViewSize.height() - rowsHeight(rows.size())) / 2);
    QList<QList<QRect>> frames;
    frames.reserve(rows.size());
    double rowTop = topOffset;
    for (const OVKeyboardRow& row : rows) {
        QList<QRect> rowFrames;
        rowFrames.reserve(row.size());
        double x = 0.0;
        for (const OVKeyDescriptor& key : row) {
            const double width = spannedLength(unit, OVKeySpan(key));
            const double height = spannedLength(KeyHeight, OVKeyRowSpan(key));
            rowFrames.append(QRect(rounded(x), rounded(rowTop), rounded(width), rounded(height)));
            x += width + KeyGap;
        }
        frames.append(rowFrames);
        rowTop += KeyHeight + KeyGap;
    }
    return frames;
}

const QStringList& OVKeyboardPositions() {
    static const QStringList positions{
        QStringLiteral("bottomLeft"), QStringLiteral("bottomCenter"), QStringLiteral("bottomRight"),
        QStringLiteral("topLeft"),    QStringLiteral("topCenter"),    QStringLiteral("topRight")};
    return positions;
}

QString OVNormalizedKeyboardPosition(const QString& stored) {
    if (stored == QLatin1String("bottom")) {
        return QStringLiteral("bottomCenter");
    }
    if (stored == QLatin1String("top")) {
        return QStringLiteral("topCenter");
    }
    if (stored == QLatin1String("left")) {
        return QStringLiteral("bottomLeft");
    }
    if (stored == QLatin1String("right")) {
        return QStringLiteral("bottomRight");
    }
    if (OVKeyboardPositions().contains(stored)) {
        return stored;
    }
    return QStringLiteral("bottomCenter");
}

QString OVNextKeyboardPosition(const QString& current) {
    const QStringList& positions = OVKeyboardPositions();
    const qsizetype index = positions.indexOf(current);
    if (index < 0) {
        return positions.first();
    }
    return positions.at((index + 1) % positions.size());
}

QPoint OVKeyboardOriginForPosition(const QString& position, const QRectF& availableArea,
                                   const QSizeF& panelSize) {
    const double m = ScreenMargin;
    const QRectF& area = availableArea;
    const double left = area.x() + m;
    const double right = area.x() + area.width() - panelSize.width() - m;
    const double top = area.y() + m;
    const double bottom = area.y() + area.height() - panelSize.height() - m;

    double x = area.x() + area.width() / 2 - panelSize.width() / 2;
    if (position.endsWith(QLatin1String("Left"))) {
        x = left;
    } else if (position.endsWith(QLatin1String("Right"))) {
        x = right;
    }
    double y = position.startsWith(QLatin1String("top")) ? top : bottom;

    // The bound applied last wins when the panel does not fit.
    x = std::min(std::max(x, left), right);
    y = std::max(std::min(y, bottom), top);
    return QPoint(rounded(x), rounded(y));
}
