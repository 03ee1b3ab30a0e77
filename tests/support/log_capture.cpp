#include "support/log_capture.h"

namespace {
OVLogCapture* gCapture = nullptr;
}

OVLogCapture::OVLogCapture() {
    gCapture = this;
    _previous = qInstallMessageHandler(&OVLogCapture::handle);
}

OVLogCapture::~OVLogCapture() {
    qInstallMessageHandler(_previous);
    gCapture = nullptr;
}

bool OVLogCapture::contains(const QString& text) const {
    for (const QString& line : _lines) {
        if (line.contains(text)) {
            return true;
        }
    }
    return false;
}

void OVLogCapture::handle(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (gCapture) {
        gCapture->_lines.append(message);
    }
}
