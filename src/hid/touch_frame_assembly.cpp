#include "hid/touch_frame_assembly.h"

#include <algorithm>

void OVTouchFrameAssembly::start(const OVTouchContactList& report) {
    _frame = report;
    _slotsTaken = report.slotCount;
    _waiting = true;
}

void OVTouchFrameAssembly::append(const OVTouchContactList& report) {
    const int room = static_cast<int>(_frame.contacts.size()) - _frame.count;
    const int taken = std::clamp(report.count, 0, std::max(room, 0));
    std::copy_n(report.contacts.begin(), taken, _frame.contacts.begin() + _frame.count);
    _frame.count += taken;
    // Slots, not contacts: a contact that lifts in this frame takes a slot but is not down.
    _slotsTaken += report.slotCount;
    if (_slotsTaken >= _frame.reportedContactCount) {
        _frame.complete = true;
        _waiting = false;
    }
}
