#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

#include "platform/sim/replay_gestures.h"

// A picture of what a replay did: the target display as a frame with every contact's trace
// coloured by kind and the synthetic input drawn over it, a legend, and the recording's name and
// length. Drawing text needs a QGuiApplication (the offscreen platform will do).
struct OVReplayPictureContent {
    QString title;     // the recording's device name
    QString fileName;  // the recording's file
    double seconds = 0.0;
    QSize display;  // not empty
    std::vector<OVReplayGesture> gestures;
};

// 1280 pixels wide. The PNG text "Display" tells where the display lies in the picture as
// "left,top widthxheight" in pixels, for anyone who reads positions back from it.
QImage OVReplayPicture(const OVReplayPictureContent& content);

inline constexpr int OVReplayPictureWidth = 1280;
