#include "hid/touch_bridge.h"

OVTouchBridge::OVTouchBridge() : _hidDecoderStatus(QStringLiteral("No descriptor decoder")) {}

OVTouchBridge::~OVTouchBridge() = default;
