#include "hid/report_decoding.h"

#include "hid/touch_contact.h"

const char* OVContactKindLatin1Name(std::int64_t kind) {
    switch (kind) {
        case OVContactKindNone:
            return "none";
        case OVContactKindFinger:
            return "finger";
        case OVContactKindPen:
            return "pen";
        case OVContactKindEraser:
            return "eraser";
        default:
            return "unknown";
    }
}

QString OVContactKindName(std::int64_t kind) {
    return QString::fromLatin1(OVContactKindLatin1Name(kind));
}
