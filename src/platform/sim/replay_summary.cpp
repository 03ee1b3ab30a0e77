#include "platform/sim/replay_summary.h"

#include <QLineF>
#include <QStringList>
#include <cmath>

namespace {

using Kind = OVReplayAction::Kind;

// A touch that stays within this many points of where it began has not moved.
constexpr double kStillDistance = 10.0;
// A still touch held at least this long is a long press rather than a tap.
constexpr double kLongPressSeconds = 0.5;

QString pointText(QPointF at) {
    return QStringLiteral("(%1, %2)").arg(std::lround(at.x())).arg(std::lround(at.y()));
}

QString buttonName(int button) {
    switch (button) {
        case 1:
            return QStringLiteral("right");
        case 2:
            return QStringLiteral("middle");
        default:
            return QStringLiteral("left");
    }
}

QString countedFingers(int count) {
    static const char* const kWords[] = {"no",  "one",   "two",   "three", "four", "five",
                                         "six", "seven", "eight", "nine",  "ten"};
    const QString number =
        count >= 0 && count <= 10 ? QString::fromLatin1(kWords[count]) : QString::number(count);
    return number + (count == 1 ? QStringLiteral(" finger") : QStringLiteral(" fingers"));
}

// Wheel values in words: negative y scrolls down, negative x scrolls right.
QString wheelText(QPointF wheel) {
    QStringList parts;
    if (std::lround(wheel.y()) != 0) {
        parts << QStringLiteral("%1 points %2")
                     .arg(std::lround(std::abs(wheel.y())))
                     .arg(wheel.y() < 0 ? QStringLiteral("down") : QStringLiteral("up"));
    }
    if (std::lround(wheel.x()) != 0) {
        parts << QStringLiteral("%1 points %2")
                     .arg(std::lround(std::abs(wheel.x())))
                     .arg(wheel.x() < 0 ? QStringLiteral("right") : QStringLiteral("left"));
    }
    return parts.isEmpty() ? QStringLiteral("0 points") : parts.join(QStringLiteral(" and "));
}

QString scrollText(const OVReplayAction& scroll) {
    const bool coasted = !scroll.coasted.isNull();
    QStringList parts;
    if (!scroll.scrolled.isNull() || !coasted) {
        parts << QStringLiteral("scroll ") + wheelText(scroll.scrolled);
    }
    if (coasted) {
        parts << QStringLiteral("coasting %1 over %2 s")
                     .arg(wheelText(scroll.coasted))
                     .arg(scroll.coastSeconds, 0, 'f', 2);
    }
    return parts.join(QStringLiteral(", "));
}

QString openedText(const QString& tool) {
    if (tool == QLatin1String("missionControl")) {
        return QStringLiteral("opens the overview");
    }
    if (tool == QLatin1String("screenshot")) {
        return QStringLiteral("opens the screenshot tool");
    }
    return QStringLiteral("opens ") + tool;
}

bool moved(const OVReplayGesture& gesture) {
    for (const OVReplayTrace& trace : gesture.traces) {
        for (const QPointF& point : trace.points) {
            if (QLineF(trace.points.front(), point).length() > kStillDistance) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

QString OVReplayTouchName(const OVReplayGesture& gesture) {
    if (gesture.traces.empty()) {
        return QStringLiteral("no touch");
    }
    if (gesture.contactCount > 1) {
        return countedFingers(gesture.contactCount);
    }
    const bool still = !moved(gesture);
    switch (gesture.traces.front().tool) {
        case OVReplayTool::Pen:
            return still ? QStringLiteral("pen tap") : QStringLiteral("pen stroke");
        case OVReplayTool::Eraser:
            return still ? QStringLiteral("eraser tap") : QStringLiteral("eraser stroke");
        case OVReplayTool::Finger:
            break;
    }
    if (!still) {
        return QStringLiteral("drag");
    }
    const double held = gesture.lift.value_or(gesture.end) - gesture.start;
    return held < kLongPressSeconds ? QStringLiteral("tap") : QStringLiteral("long press");
}

QString OVReplayActionText(const OVReplayAction& action) {
    const QString button = buttonName(action.button);
    switch (action.kind) {
        case Kind::Click:
            if (action.button == 0 && action.clickCount >= 2) {
                return QStringLiteral("double click at ") + pointText(action.points.front());
            }
            return button + QStringLiteral(" click at ") + pointText(action.points.front());
        case Kind::Drag:
            return QStringLiteral("%1 drag %2 → %3")
                .arg(button, pointText(action.points.front()), pointText(action.points.back()));
        case Kind::Held:
            if (action.points.size() == 1) {
                return QStringLiteral("%1 button held at %2")
                    .arg(button, pointText(action.points.front()));
            }
            return QStringLiteral("%1 drag %2 → %3, still held")
                .arg(button, pointText(action.points.front()), pointText(action.points.back()));
        case Kind::Scroll:
            return scrollText(action);
        case Kind::Pinch:
            return QStringLiteral("pinch at %1, zoom %2 %3 %")
                .arg(pointText(action.at))
                .arg(action.zoom < 0 ? QStringLiteral("out") : QStringLiteral("in"))
                .arg(std::lround(std::abs(action.zoom) * 100.0));
        case Kind::Keys:
            return (action.label.contains(QLatin1Char('+')) ? QStringLiteral("keys ")
                                                            : QStringLiteral("key ")) +
                   action.label;
        case Kind::Text:
            return QStringLiteral("text \"%1\"").arg(action.label);
        case Kind::SystemKey:
            return QStringLiteral("media key ") + action.label;
        case Kind::Open:
            return openedText(action.label);
        case Kind::Cursor:
            return QStringLiteral("cursor to ") + pointText(action.points.front());
    }
    return QString();
}

QString OVReplaySummaryLine(const OVReplayGesture& gesture) {
    QStringList actions;
    for (const OVReplayAction& action : gesture.actions) {
        actions << OVReplayActionText(action);
    }
    return QStringLiteral("%1–%2 s  %3 → %4")
        .arg(gesture.start, 0, 'f', 2)
        .arg(gesture.end, 0, 'f', 2)
        .arg(OVReplayTouchName(gesture), actions.isEmpty()
                                             ? QStringLiteral("nothing")
                                             : actions.join(QStringLiteral(", then ")));
}
