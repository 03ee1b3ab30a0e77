#include "platform/sim/replay_gestures.h"

#include <QLineF>
#include <algorithm>

#include "settings/key_names.h"

namespace {

using Kind = OVReplayAction::Kind;

// A release this far from its press drags, even when no move came in between.
constexpr double kDragDistance = 4.0;

enum class ButtonEvent { Down, Dragged, Up, Other };

ButtonEvent buttonEvent(int type) {
    switch (type) {
        case 1:
        case 3:
        case 25:
            return ButtonEvent::Down;
        case 6:
        case 7:
        case 27:
            return ButtonEvent::Dragged;
        case 2:
        case 4:
        case 26:
            return ButtonEvent::Up;
        default:
            return ButtonEvent::Other;
    }
}

// Command, Shift, Caps Lock, Option, Control on either side and Fn: the keys a combo holds
// around its key.
bool isModifierKey(int code) {
    return code >= 54 && code <= 63;
}

}  // namespace

OVReplayGestureTracker::OVReplayGestureTracker(Handler finished) : _finished(std::move(finished)) {}

void OVReplayGestureTracker::begin(double time) {
    _gesture = OVReplayGesture{};
    _gesture->start = time;
    _gesture->end = time;
    _lastContacts.clear();
    _pressed = {};
    _cursor.reset();
}

void OVReplayGestureTracker::finish() {
    if (!_gesture) {
        return;
    }
    if (_gesture->actions.empty() && _cursor) {
        OVReplayAction moved;
        moved.kind = Kind::Cursor;
        moved.points = {*_cursor};
        moved.at = *_cursor;
        _gesture->actions.push_back(std::move(moved));
    }
    OVReplayGesture finished = std::move(*_gesture);
    _gesture.reset();
    _finished(finished);
}

void OVReplayGestureTracker::addReport(double time, const std::vector<OVReplayContact>& contacts) {
    if (contacts.empty()) {
        if (_gesture && !_gesture->lift && !_gesture->traces.empty()) {
            _gesture->lift = time;
            _gesture->end = std::max(_gesture->end, time);
        }
        return;
    }
    if (!_gesture || _gesture->lift || _gesture->traces.empty()) {
        finish();
        begin(time);
    }
    addTraces(contacts);
    _gesture->contactCount = std::max(_gesture->contactCount, static_cast<int>(contacts.size()));
    _gesture->end = std::max(_gesture->end, time);
    _lastContacts = contacts;
}

void OVReplayGestureTracker::addTraces(const std::vector<OVReplayContact>& contacts) {
    // A contact continues its trace while it stays down; one that comes back starts a new trace.
    std::vector<OVReplayTrace>& traces = _gesture->traces;
    auto continuing = [this](const OVReplayContact& contact) {
        return std::any_of(_lastContacts.begin(), _lastContacts.end(),
                           [&contact](const OVReplayContact& last) {
                               return last.tool == contact.tool && last.id == contact.id;
                           });
    };
    for (const OVReplayContact& contact : contacts) {
        auto trace = std::find_if(
            traces.rbegin(), traces.rend(), [&contact](const OVReplayTrace& candidate) {
                return candidate.tool == contact.tool && candidate.id == contact.id;
            });
        if (trace == traces.rend() || !continuing(contact)) {
            traces.push_back({contact.tool, contact.id, {contact.at}});
        } else {
            trace->points.push_back(contact.at);
        }
    }
}

void OVReplayGestureTracker::addEvent(const OVSimPostedEvent& event) {
    using EventKind = OVSimPostedEvent::Kind;
    if (!_gesture) {
        begin(event.time);
    }
    _gesture->end = std::max(_gesture->end, event.time);
    OVReplayAction action;
    switch (event.kind) {
        case EventKind::Mouse:
            addMouseEvent(event);
            return;
        case EventKind::Scroll:
            addScroll(event);
            return;
        case EventKind::Magnify:
            addMagnify(event);
            return;
        case EventKind::Warp:
            _cursor = event.at;
            return;
        case EventKind::Key:
            if (!event.down || isModifierKey(event.code)) {
                return;
            }
            action.kind = Kind::Keys;
            action.label = OVKeyComboLabel(static_cast<std::uint16_t>(event.code),
                                           OVComboFlagsFromEventFlags(event.flags));
            break;
        case EventKind::Text:
            action.kind = Kind::Text;
            action.label = event.text;
            break;
        case EventKind::SystemKey:
            if (!event.down) {
                return;
            }
            action.kind = Kind::SystemKey;
            action.label = QString::number(event.code);
            break;
        case EventKind::Open:
            action.kind = Kind::Open;
            action.label = event.text;
            break;
    }
    addAction(std::move(action));
}

void OVReplayGestureTracker::addMouseEvent(const OVSimPostedEvent& event) {
    if (event.button < 0 || event.button >= static_cast<int>(_pressed.size())) {
        return;
    }
    std::optional<std::size_t>& pressed = _pressed[static_cast<std::size_t>(event.button)];
    switch (buttonEvent(event.type)) {
        case ButtonEvent::Down: {
            OVReplayAction press;
            press.kind = Kind::Held;
            press.button = event.button;
            press.clickCount = std::max<std::int64_t>(event.clickCount, 1);
            press.points = {event.at};
            press.at = event.at;
            addAction(std::move(press));
            pressed = _gesture->actions.size() - 1;
            return;
        }
        case ButtonEvent::Dragged:
            if (pressed) {
                _gesture->actions[*pressed].points.push_back(event.at);
            }
            return;
        case ButtonEvent::Up:
            if (pressed) {
                OVReplayAction& press = _gesture->actions[*pressed];
                const bool moved = press.points.size() > 1 ||
                                   QLineF(press.points.front(), event.at).length() >= kDragDistance;
                press.kind = moved ? Kind::Drag : Kind::Click;
                if (moved && press.points.back() != event.at) {
                    press.points.push_back(event.at);
                }
                pressed.reset();
            }
            return;
        case ButtonEvent::Other:
            return;
    }
}

void OVReplayGestureTracker::addScroll(const OVSimPostedEvent& event) {
    std::vector<OVReplayAction>& actions = _gesture->actions;
    if (actions.empty() || actions.back().kind != Kind::Scroll) {
        OVReplayAction scroll;
        scroll.kind = Kind::Scroll;
        addAction(std::move(scroll));
    }
    OVReplayAction& scroll = actions.back();
    const QPointF wheel(event.deltaX, event.deltaY);
    if (_gesture->lift) {
        scroll.coasted += wheel;
        scroll.coastSeconds = event.time - *_gesture->lift;
    } else {
        scroll.scrolled += wheel;
    }
}

void OVReplayGestureTracker::addMagnify(const OVSimPostedEvent& event) {
    constexpr std::int64_t kBeginPhase = 1;
    std::vector<OVReplayAction>& actions = _gesture->actions;
    const QPointF center = touchCenter();
    const std::array<QPointF, 2> fingers{_lastContacts.empty() ? center : _lastContacts[0].at,
                                         _lastContacts.size() < 2 ? center : _lastContacts[1].at};
    if (event.phase == kBeginPhase || actions.empty() || actions.back().kind != Kind::Pinch) {
        OVReplayAction pinch;
        pinch.kind = Kind::Pinch;
        pinch.pinchStart = fingers;
        addAction(std::move(pinch));
    }
    actions.back().pinchEnd = fingers;
    actions.back().zoom += event.amount;
}

void OVReplayGestureTracker::addAction(OVReplayAction action) {
    if (action.kind != Kind::Held) {
        action.at = touchCenter();
    }
    _gesture->actions.push_back(std::move(action));
}

QPointF OVReplayGestureTracker::touchCenter() const {
    if (_lastContacts.empty()) {
        return _cursor.value_or(QPointF());
    }
    QPointF sum;
    for (const OVReplayContact& contact : _lastContacts) {
        sum += contact.at;
    }
    return sum / static_cast<double>(_lastContacts.size());
}
