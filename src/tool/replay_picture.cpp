#include "tool/replay_picture.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

using Kind = OVReplayAction::Kind;

constexpr double kMargin = 28.0;
constexpr double kHeaderHeight = 78.0;
constexpr double kBezel = 12.0;
constexpr double kMaxScreenHeight = 860.0;
constexpr double kLegendGap = 22.0;
constexpr double kLegendRowHeight = 34.0;
constexpr double kGridPoints = 200.0;

const QColor kPage(0xff, 0xff, 0xff);
const QColor kBezelColour(0x2b, 0x2f, 0x36);
const QColor kScreen(0xf6, 0xf7, 0xf9);
const QColor kGrid(0xe3, 0xe6, 0xea);
const QColor kInk(0x26, 0x32, 0x38);
const QColor kQuiet(0x6b, 0x76, 0x80);
const QColor kFinger(0x4a, 0x86, 0xe8);
const QColor kPen(0x1e, 0x9e, 0x63);
const QColor kEraser(0xe8, 0x87, 0x1e);
const QColor kLeft(0xd7, 0x26, 0x3d);
const QColor kRight(0x7b, 0x3f, 0xbf);
const QColor kMiddle(0x0e, 0x9a, 0xa7);
const QColor kScroll(0x37, 0x47, 0x4f);
const QColor kCoast(0x90, 0xa4, 0xae);
const QColor kPinch(0xe9, 0x1e, 0x8c);

// Maps display points into the picture.
struct Canvas {
    QRectF screen;
    double scale = 1.0;
    QPointF map(QPointF point) const { return screen.topLeft() + point * scale; }
};

QFont pixelFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QColor toolColour(OVReplayTool tool) {
    switch (tool) {
        case OVReplayTool::Pen:
            return kPen;
        case OVReplayTool::Eraser:
            return kEraser;
        case OVReplayTool::Finger:
            break;
    }
    return kFinger;
}

QColor buttonColour(int button) {
    return button == 1 ? kRight : button == 2 ? kMiddle : kLeft;
}

QPen roundPen(const QColor& colour, double width, Qt::PenStyle style = Qt::SolidLine) {
    return QPen(colour, width, style, Qt::RoundCap, Qt::RoundJoin);
}

void drawArrow(QPainter& painter, QPointF from, QPointF to, const QPen& pen) {
    const QLineF line(from, to);
    if (line.length() < 0.5) {
        return;
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double head = 6.0 + pen.widthF() * 2.0;
    QLineF shaft(from, to);
    shaft.setLength(std::max(0.0, line.length() - head * 0.6));
    painter.drawLine(shaft);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    const double spread = 0.45;
    const QPointF left(to.x() - head * std::cos(angle - spread),
                       to.y() - head * std::sin(angle - spread));
    const QPointF right(to.x() - head * std::cos(angle + spread),
                        to.y() - head * std::sin(angle + spread));
    painter.setPen(Qt::NoPen);
    painter.setBrush(pen.color());
    painter.drawPolygon(QPolygonF{to, left, right});
}

// Text with a white halo so that it stays readable over traces.
void drawHaloText(QPainter& painter, QPointF at, const QString& text, const QFont& font,
                  const QColor& colour) {
    QPainterPath path;
    path.addText(at, font, text);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(roundPen(QColor(255, 255, 255, 230), 4.0));
    painter.drawPath(path);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(path);
}

QFont tagFont() {
    return pixelFont(14, true);
}

QSizeF tagSize(const QString& text) {
    const QFontMetricsF metrics(tagFont());
    return {metrics.horizontalAdvance(text) + 14.0, metrics.height() + 6.0};
}

// White text in a dark box.
void drawTag(QPainter& painter, const QRectF& box, const QString& text) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawRoundedRect(box, 5.0, 5.0);
    painter.setFont(tagFont());
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
}

// Text is drawn after every mark, so that no mark covers it, and each caption moves down until
// it covers no earlier one.
class Captions {
  public:
    // Halo text whose box begins at `topLeft`.
    void add(QPointF topLeft, const QString& text, const QFont& font, const QColor& colour) {
        const QFontMetricsF metrics(font);
        place({QRectF(topLeft, QSizeF(metrics.horizontalAdvance(text), metrics.height())), text,
               font, colour, false});
    }
    // A tag centred above `anchor`.
    void addTag(QPointF anchor, const QString& text) {
        const QSizeF size = tagSize(text);
        place({QRectF(QPointF(anchor.x() - size.width() / 2, anchor.y() - size.height() - 14.0),
                      size),
               text, tagFont(), kInk, true});
    }
    void draw(QPainter& painter) const {
        for (const Caption& caption : _captions) {
            if (caption.tag) {
                drawTag(painter, caption.box, caption.text);
            } else {
                drawHaloText(
                    painter,
                    caption.box.topLeft() + QPointF(0, QFontMetricsF(caption.font).ascent()),
                    caption.text, caption.font, caption.colour);
            }
        }
    }

  private:
    struct Caption {
        QRectF box;
        QString text;
        QFont font;
        QColor colour;
        bool tag = false;
    };
    void place(Caption caption) {
        while (std::any_of(_captions.begin(), _captions.end(), [&caption](const Caption& other) {
            return other.box.intersects(caption.box);
        })) {
            caption.box.translate(0, caption.box.height());
        }
        _captions.push_back(std::move(caption));
    }
    std::vector<Caption> _captions;
};

void drawClickMark(QPainter& painter, QPointF at, const QColor& colour, bool twice) {
    painter.setPen(roundPen(Qt::white, 2.0));
    painter.setBrush(colour);
    painter.drawEllipse(at, 7.0, 7.0);
    if (twice) {
        painter.setPen(roundPen(colour, 2.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(at, 12.0, 12.0);
    }
}

void drawCursorMark(QPainter& painter, QPointF at) {
    painter.setPen(roundPen(kInk, 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(at - QPointF(10, 0), at + QPointF(10, 0));
    painter.drawLine(at - QPointF(0, 10), at + QPointF(0, 10));
    painter.drawEllipse(at, 4.5, 4.5);
}

void drawPinchPair(QPainter& painter, const std::array<QPointF, 2>& start,
                   const std::array<QPointF, 2>& end) {
    for (std::size_t i = 0; i < 2; ++i) {
        painter.setPen(roundPen(kPinch, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(start[i], 4.0, 4.0);
        drawArrow(painter, start[i], end[i], roundPen(kPinch, 1.5));
        painter.setPen(roundPen(kPinch, 3.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(end[i], 9.0, 9.0);
    }
    painter.setPen(roundPen(kPinch, 2.0, Qt::DashLine));
    painter.drawLine(end[0], end[1]);
}

QPolygonF mapped(const Canvas& canvas, const std::vector<QPointF>& points) {
    QPolygonF polygon;
    for (const QPointF& point : points) {
        polygon << canvas.map(point);
    }
    return polygon;
}

void drawTraces(QPainter& painter, const Canvas& canvas, const OVReplayGesture& gesture) {
    painter.setBrush(Qt::NoBrush);
    for (const OVReplayTrace& trace : gesture.traces) {
        painter.setPen(roundPen(toolColour(trace.tool), 6.0));
        const QPolygonF line = mapped(canvas, trace.points);
        if (line.size() == 1) {
            painter.drawPoint(line.front());
        } else {
            painter.drawPolyline(line);
        }
    }
}

// A press and its moves: a line in the button's colour from a ring at the press to an arrow at
// the release, or to a dot where the button is still held.
void drawDrag(QPainter& painter, const Canvas& canvas, const OVReplayAction& drag) {
    const QColor colour = buttonColour(drag.button);
    const QPolygonF line = mapped(canvas, drag.points);
    painter.setPen(roundPen(colour, 2.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
    painter.setBrush(Qt::white);
    painter.drawEllipse(line.front(), 6.0, 6.0);
    if (drag.kind == Kind::Held) {
        drawClickMark(painter, line.back(), colour, false);
        return;
    }
    // The arrow head points along the last stretch that is long enough to give a direction.
    QPointF from = line.front();
    for (auto point = line.rbegin(); point != line.rend(); ++point) {
        if (QLineF(*point, line.back()).length() >= 12.0) {
            from = *point;
            break;
        }
    }
    QLineF back(line.back(), from);
    if (back.length() > 0.5) {
        back.setLength(12.0);
        drawArrow(painter, back.p2(), line.back(), roundPen(colour, 2.5));
    }
}

// The arrow of a wheel amount: in the direction the wheel scrolled (down for a negative vertical
// value), longer for more.
QPointF wheelArrow(QPointF wheel, double scale) {
    const double amount = std::hypot(wheel.x(), wheel.y());
    if (amount < 0.5) {
        return {};
    }
    const double length = std::clamp(amount * scale * 0.25, 24.0, 160.0);
    return QPointF(-wheel.x(), -wheel.y()) * (length / amount);
}

// How far to move the span [low, high] to bring it inside [minimum, maximum].
double shiftInside(double low, double high, double minimum, double maximum) {
    return low < minimum ? minimum - low : high > maximum ? maximum - high : 0.0;
}

// The scroll and its coasting, one arrow after the other, centred on the touch and kept on the
// screen.
void drawScroll(QPainter& painter, const Canvas& canvas, const OVReplayAction& scroll,
                QPointF touchCenter, Captions& captions) {
    const QPointF scrolled = wheelArrow(scroll.scrolled, canvas.scale);
    const QPointF coasted = wheelArrow(scroll.coasted, canvas.scale);
    QPointF start = touchCenter - (scrolled + coasted) / 2;
    const QPointF end = start + scrolled + coasted;
    const QRectF inside = canvas.screen.adjusted(16, 16, -16, -16);
    start += QPointF(shiftInside(std::min(start.x(), end.x()), std::max(start.x(), end.x()),
                                 inside.left(), inside.right()),
                     shiftInside(std::min(start.y(), end.y()), std::max(start.y(), end.y()),
                                 inside.top(), inside.bottom()));
    auto caption = [&captions](QPointF at, const QString& text) {
        captions.add(at, text, pixelFont(13, true), kScroll);
    };
    if (!scrolled.isNull()) {
        drawArrow(painter, start, start + scrolled, roundPen(kScroll, 5.0));
        caption(start + scrolled / 2 + QPointF(12, -8),
                QStringLiteral("scroll %1 pt")
                    .arg(std::lround(std::hypot(scroll.scrolled.x(), scroll.scrolled.y()))));
    }
    if (!coasted.isNull()) {
        const QPointF from = start + scrolled;
        drawArrow(painter, from, from + coasted, roundPen(kCoast, 4.0, Qt::DashLine));
        caption(from + coasted / 2 + QPointF(12, -8),
                QStringLiteral("coasting %1 pt, %2 s")
                    .arg(std::lround(std::hypot(scroll.coasted.x(), scroll.coasted.y())))
                    .arg(scroll.coastSeconds, 0, 'f', 2));
    }
}

QString tagText(const OVReplayAction& action) {
    switch (action.kind) {
        case Kind::Text:
            return QStringLiteral("\"%1\"").arg(action.label);
        case Kind::SystemKey:
            return QStringLiteral("media key ") + action.label;
        case Kind::Open:
            return action.label == QLatin1String("missionControl") ? QStringLiteral("overview")
                                                                   : action.label;
        default:
            return action.label;
    }
}

void drawAction(QPainter& painter, const Canvas& canvas, const OVReplayAction& action,
                QPointF touchCenter, Captions& captions) {
    switch (action.kind) {
        case Kind::Click:
            drawClickMark(painter, canvas.map(action.points.front()), buttonColour(action.button),
                          action.button == 0 && action.clickCount >= 2);
            return;
        case Kind::Drag:
        case Kind::Held:
            drawDrag(painter, canvas, action);
            return;
        case Kind::Scroll:
            drawScroll(painter, canvas, action, touchCenter, captions);
            return;
        case Kind::Pinch: {
            const std::array<QPointF, 2> start{canvas.map(action.pinchStart[0]),
                                               canvas.map(action.pinchStart[1])};
            const std::array<QPointF, 2> end{canvas.map(action.pinchEnd[0]),
                                             canvas.map(action.pinchEnd[1])};
            drawPinchPair(painter, start, end);
            const QString text =
                QStringLiteral("zoom %1 %2 %")
                    .arg(action.zoom < 0 ? QStringLiteral("out") : QStringLiteral("in"))
                    .arg(std::lround(std::abs(action.zoom) * 100.0));
            captions.add((end[0] + end[1]) / 2 + QPointF(14, -28), text, pixelFont(13, true),
                         kPinch);
            return;
        }
        case Kind::Cursor:
            drawCursorMark(painter, canvas.map(action.points.front()));
            return;
        case Kind::Keys:
        case Kind::Text:
        case Kind::SystemKey:
        case Kind::Open:
            captions.addTag(canvas.map(action.at), tagText(action));
            return;
    }
}

void drawActions(QPainter& painter, const Canvas& canvas, const OVReplayGesture& gesture,
                 Captions& captions) {
    QPolygonF touched;
    for (const OVReplayTrace& trace : gesture.traces) {
        touched += mapped(canvas, trace.points);
    }
    for (const OVReplayAction& action : gesture.actions) {
        drawAction(painter, canvas, action,
                   touched.isEmpty() ? canvas.map(action.at) : touched.boundingRect().center(),
                   captions);
    }
}

// The time a gesture began, below where it began.
void addStartTime(const Canvas& canvas, const OVReplayGesture& gesture, Captions& captions) {
    if (!gesture.traces.empty()) {
        captions.add(canvas.map(gesture.traces.front().points.front()) + QPointF(-22, 14),
                     QStringLiteral("%1 s").arg(gesture.start, 0, 'f', 1), pixelFont(12), kQuiet);
    }
}

void drawFrame(QPainter& painter, const Canvas& canvas, QSizeF display) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBezelColour);
    painter.drawRoundedRect(canvas.screen.adjusted(-kBezel, -kBezel, kBezel, kBezel), 10, 10);
    painter.setBrush(kScreen);
    painter.drawRect(canvas.screen);
    painter.setFont(pixelFont(11));
    for (double x = kGridPoints; x < display.width(); x += kGridPoints) {
        const double px = canvas.map({x, 0}).x();
        painter.setPen(QPen(kGrid, 1.0));
        painter.drawLine(QPointF(px, canvas.screen.top()), QPointF(px, canvas.screen.bottom()));
        painter.setPen(kQuiet);
        painter.drawText(QPointF(px + 3, canvas.screen.top() + 13), QString::number(x));
    }
    for (double y = kGridPoints; y < display.height(); y += kGridPoints) {
        const double py = canvas.map({0, y}).y();
        painter.setPen(QPen(kGrid, 1.0));
        painter.drawLine(QPointF(canvas.screen.left(), py), QPointF(canvas.screen.right(), py));
        painter.setPen(kQuiet);
        painter.drawText(QPointF(canvas.screen.left() + 3, py - 3), QString::number(y));
    }
}

void drawHeader(QPainter& painter, const OVReplayPictureContent& content) {
    painter.setPen(kInk);
    painter.setFont(pixelFont(24, true));
    painter.drawText(QPointF(kMargin, kMargin + 24),
                     content.title.isEmpty() ? content.fileName : content.title);
    const int gestures = static_cast<int>(content.gestures.size());
    painter.setPen(kQuiet);
    painter.setFont(pixelFont(15));
    painter.drawText(
        QPointF(kMargin, kMargin + 50),
        QStringLiteral("%1  ·  %2 s  ·  %3 %4  ·  display %5 × %6")
            .arg(content.fileName)
            .arg(content.seconds, 0, 'f', 2)
            .arg(gestures)
            .arg(gestures == 1 ? QStringLiteral("gesture") : QStringLiteral("gestures"))
            .arg(content.display.width())
            .arg(content.display.height()));
}

// The legend flows left to right: a swatch drawn like the mark it explains, then its name.
class LegendWriter {
  public:
    LegendWriter(QPainter& painter, QPointF origin)
        : _painter(painter), _x(origin.x()), _y(origin.y()) {}

    template <typename Swatch>
    void item(const QString& text, Swatch swatch) {
        const QPointF center(_x + 20, _y);
        swatch(center);
        const QFont font = pixelFont(14);
        _painter.setFont(font);
        _painter.setPen(kInk);
        _painter.drawText(QPointF(_x + 46, _y + 5), text);
        _x += 46 + QFontMetricsF(font).horizontalAdvance(text) + 24;
    }
    void nextRow(double left) {
        _x = left;
        _y += kLegendRowHeight;
    }

  private:
    QPainter& _painter;
    double _x;
    double _y;
};

void drawLegend(QPainter& painter, QPointF origin) {
    LegendWriter legend(painter, origin);
    auto trace = [&painter](const QColor& colour) {
        return [&painter, colour](QPointF c) {
            painter.setPen(roundPen(colour, 6.0));
            painter.drawLine(c - QPointF(12, 0), c + QPointF(12, 0));
        };
    };
    auto click = [&painter](const QColor& colour, bool twice) {
        return [&painter, colour, twice](QPointF c) { drawClickMark(painter, c, colour, twice); };
    };
    legend.item(QStringLiteral("finger"), trace(kFinger));
    legend.item(QStringLiteral("pen"), trace(kPen));
    legend.item(QStringLiteral("eraser"), trace(kEraser));
    legend.item(QStringLiteral("left click"), click(kLeft, false));
    legend.item(QStringLiteral("double click"), click(kLeft, true));
    legend.item(QStringLiteral("right click"), click(kRight, false));
    legend.item(QStringLiteral("middle click"), click(kMiddle, false));
    legend.nextRow(origin.x());
    legend.item(QStringLiteral("drag, in its button's colour"), [&painter](QPointF c) {
        painter.setPen(roundPen(kLeft, 2.5));
        painter.setBrush(Qt::white);
        painter.drawEllipse(c - QPointF(9, 0), 5.0, 5.0);
        drawArrow(painter, c - QPointF(4, 0), c + QPointF(14, 0), roundPen(kLeft, 2.5));
    });
    legend.item(QStringLiteral("scroll"), [&painter](QPointF c) {
        drawArrow(painter, c - QPointF(0, 11), c + QPointF(0, 11), roundPen(kScroll, 5.0));
    });
    legend.item(QStringLiteral("coasting"), [&painter](QPointF c) {
        drawArrow(painter, c - QPointF(0, 11), c + QPointF(0, 11),
                  roundPen(kCoast, 4.0, Qt::DashLine));
    });
    legend.item(QStringLiteral("pinch"), [&painter](QPointF c) {
        drawPinchPair(painter, {c - QPointF(5, 0), c + QPointF(5, 0)},
                      {c - QPointF(10, 0), c + QPointF(10, 0)});
    });
    legend.item(QStringLiteral("keys, action"), [&painter](QPointF c) {
        const QString text = QStringLiteral("Esc");
        const QSizeF size = tagSize(text);
        drawTag(painter, QRectF(c - QPointF(size.width(), size.height()) / 2, size), text);
    });
    legend.item(QStringLiteral("cursor moved"),
                [&painter](QPointF c) { drawCursorMark(painter, c); });
    legend.item(QStringLiteral("gesture start"), [&painter](QPointF c) {
        drawHaloText(painter, c + QPointF(-14, 4), QStringLiteral("1.0 s"), pixelFont(12), kQuiet);
    });
}

}  // namespace

QImage OVReplayPicture(const OVReplayPictureContent& content) {
    const QSizeF display(content.display);
    const double width = OVReplayPictureWidth;
    Canvas canvas;
    canvas.scale = std::min((width - 2 * (kMargin + kBezel)) / display.width(),
                            kMaxScreenHeight / display.height());
    const QSizeF screen = display * canvas.scale;
    canvas.screen =
        QRectF(QPointF(std::round((width - screen.width()) / 2), kMargin + kHeaderHeight + kBezel),
               screen);
    const double legendTop = canvas.screen.bottom() + kBezel + kLegendGap + 12;
    const int height = static_cast<int>(std::ceil(legendTop + kLegendRowHeight + 12 + kMargin));

    QImage image(static_cast<int>(width), height, QImage::Format_RGB32);
    image.fill(kPage);
    image.setText(QStringLiteral("Display"), QStringLiteral("%1,%2 %3x%4")
                                                 .arg(canvas.screen.left())
                                                 .arg(canvas.screen.top())
                                                 .arg(canvas.screen.width())
                                                 .arg(canvas.screen.height()));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawHeader(painter, content);
    drawFrame(painter, canvas, display);
    painter.setClipRect(canvas.screen);
    for (const OVReplayGesture& gesture : content.gestures) {
        drawTraces(painter, canvas, gesture);
    }
    Captions captions;
    for (const OVReplayGesture& gesture : content.gestures) {
        addStartTime(canvas, gesture, captions);
        drawActions(painter, canvas, gesture, captions);
    }
    captions.draw(painter);
    painter.setClipping(false);
    drawLegend(painter, QPointF(kMargin, legendTop));
    return image;
}
