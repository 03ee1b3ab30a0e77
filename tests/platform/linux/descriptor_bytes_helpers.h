#pragma once

#include <QByteArray>
#include <initializer_list>

// Report descriptors for the tests, written item by item.
inline QByteArray descriptorBytes(std::initializer_list<int> bytes) {
    QByteArray out;
    for (int byte : bytes) {
        out.append(char(byte));
    }
    return out;
}

// A touch screen as large displays describe themselves: a touch collection (report 1: two
// contacts of tip switch, contact ID, 16-bit X and Y, then the contact count; 14 bytes with the
// ID), a maximum-contacts feature, and a mouse collection (report 2: three buttons and 16-bit X
// and Y; 6 bytes with the ID) with an output report longer than either input report.
inline QByteArray touchScreenDescriptor() {
    QByteArray contact = descriptorBytes({
        0x09, 0x22,                                                  //   Usage (Finger)
        0xA1, 0x02,                                                  //   Collection (Logical)
        0x09, 0x42,                                                  //     Usage (Tip Switch)
        0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x01, 0x81, 0x02,  // 1 bit
        0x75, 0x07, 0x81, 0x03,                                      // 7 bits padding
        0x09, 0x51,                                            //     Usage (Contact Identifier)
        0x75, 0x08, 0x26, 0xFF, 0x00, 0x81, 0x02,              // 8 bits
        0x05, 0x01,                                            //     Usage Page (Generic Desktop)
        0x09, 0x30, 0x09, 0x31,                                // Usage (X), Usage (Y)
        0x75, 0x10, 0x95, 0x02, 0x26, 0xFF, 0x7F, 0x81, 0x02,  // 2 × 16 bits
        0x05, 0x0D,                                            //     Usage Page (Digitizer)
        0xC0,                                                  //   End Collection
    });
    QByteArray bytes = descriptorBytes({
        0x05, 0x0D,  // Usage Page (Digitizer)
        0x09, 0x04,  // Usage (Touch Screen)
        0xA1, 0x01,  // Collection (Application)
        0x85, 0x01,  //   Report ID (1)
    });
    bytes += contact;
    bytes += contact;
    bytes += descriptorBytes({
        0x09, 0x54,                                      //   Usage (Contact Count)
        0x75, 0x08, 0x95, 0x01, 0x25, 0x08, 0x81, 0x02,  //   8 bits
        0x09, 0x55,                                      //   Usage (Contact Count Maximum)
        0xB1, 0x02,                                      //   Feature
        0xC0,                                            // End Collection
        0x05, 0x01,                                      // Usage Page (Generic Desktop)
        0x09, 0x02,                                      // Usage (Mouse)
        0xA1, 0x01,                                      // Collection (Application)
        0x85, 0x02,                                      //   Report ID (2)
        0x05, 0x09, 0x19, 0x01, 0x29, 0x03,              //   Buttons 1–3
        0x75, 0x01, 0x95, 0x03, 0x81, 0x02,              //   3 bits
        0x75, 0x05, 0x95, 0x01, 0x81, 0x03,              //   5 bits padding
        0x05, 0x01, 0x09, 0x30, 0x09, 0x31,              //   X, Y
        0x75, 0x10, 0x95, 0x02, 0x81, 0x02,              //   2 × 16 bits
        0x75, 0x08, 0x95, 0x20, 0x91, 0x02,              //   Output: 32 bytes
        0xC0,                                            // End Collection
    });
    return bytes;
}
