#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <functional>

class QWidget;

// One picture for review: a file name (without extension) and how to render it.
struct OVScreenshot {
    QString name;
    std::function<QImage()> render;
};

// A window as it looks on a plain desktop background, with a margin around it.
QImage OVScreenshotOfWindow(QWidget* window);

// The pictures of each part of the program; main.cpp lists them all.
QList<OVScreenshot> OVKeyboardScreenshots();
QList<OVScreenshot> OVCompatibilityScreenshots();
QList<OVScreenshot> OVAppScreenshots();
