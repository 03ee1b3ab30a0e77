#include "app/ui/help_window.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <climits>

#include "app/help_page.h"
#include "base/services.h"
#include "keyboard/ui/keyboard_icons.h"
#include "keyboard/ui/window_placement.h"
#include "platform/platform.h"

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 420;
constexpr int kMargin = 24;
constexpr int kTitleHeight = 20;
constexpr int kTitleGap = 6;
constexpr int kSectionGap = 18;
constexpr int kHintRowHeight = 26;
constexpr int kHintIconSize = 18;
constexpr int kHintTextX = 30;

struct HelpSection {
    QString title;
    QString body;
};

struct IconHint {
    QString icon;
    QString text;
};

QList<HelpSection> helpSections() {
    return {
        {QStringLiteral("Touch Control"),
         QStringLiteral("Use Start/Stop to start or stop capturing touch data. After sleep mode "
                        "you may need to restart touch controls.")},
        {QStringLiteral("Keyboard"),
         QStringLiteral("Open, close, move, minimize and maximize the keyboard. Use the \"hold\" "
                        "key to repeat keypresses. The \"emoji\" key opens the emoji chooser "
                        "where the desktop has one for Ctrl+. (GTK applications, IBus).")},
        {QStringLiteral("Settings > Profiles"),
         QStringLiteral("You can create custom profiles for your apps. Name a profile after the "
                        "app and it can automatically switch to the profile when the named app is "
                        "activated. Matching is partial and case-insensitive, so a profile named "
                        "\"Illustrator\" can activate for \"Adobe Illustrator 2026\" app.")},
        {QStringLiteral("Settings > Input types"),
         QStringLiteral("Mouse and keyboard actions can be combined. Selected special keys are "
                        "held down during the input event. Key combos however are sent once and "
                        "before the mouse button, so they can switch tools and then immediately "
                        "draw or click with that tool.")},
    };
}

QList<IconHint> keyboardIconHints() {
    return {
        {QStringLiteral("place"), QStringLiteral("cycle location")},
        {QStringLiteral("hide"), QStringLiteral("close keyboard")},
        {QStringLiteral("keyboard-minimize"), QStringLiteral("minimize keyboard")},
        {QStringLiteral("keyboard-maximize"), QStringLiteral("maximize keyboard")},
    };
}

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

// One icon hint: the keyboard icon in the text colour beside its text. A missing icon leaves the
// place empty; the text still shows.
int addIconHint(const IconHint& hint, int x, int y, int width, QWidget* parent) {
    auto* icon = new QLabel(parent);
    icon->setObjectName(QStringLiteral("hintIcon-") + hint.icon);
    icon->setGeometry(x, y + (kHintRowHeight - kHintIconSize) / 2, kHintIconSize, kHintIconSize);
    if (const std::optional<QImage> image = OVKeyboardIconNamed(hint.icon)) {
        const QColor tint = parent->palette().color(QPalette::WindowText);
        icon->setPixmap(QPixmap::fromImage(OVTintedKeyboardIcon(*image, tint)));
    }
    QLabel* text = plainLabel(hint.text, parent);
    text->setObjectName(QStringLiteral("hintText-") + hint.icon);
    text->setGeometry(x + kHintTextX, y, width - kHintTextX, kHintRowHeight);
    return kHintRowHeight;
}

}  // namespace

OVHelpWindowController::OVHelpWindowController() : _window(std::make_unique<QWidget>()) {
    _window->setWindowTitle(QStringLiteral("Orvetta Help"));
    _window->setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    _window->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    _window->setFixedSize(kWidth, kHeight);
    buildContent();
    OVCenterWindowOnPreferredScreen(_window.get());
}

OVHelpWindowController::~OVHelpWindowController() = default;

QWidget* OVHelpWindowController::documentView() const {
    return _scrollArea->widget();
}

int OVHelpWindowController::helpBodyHeightForText(const QString& text, const QFont& font,
                                                  int width) {
    const QFontMetrics metrics(font);
    return metrics.boundingRect(QRect(0, 0, width, INT_MAX), Qt::TextWordWrap, text).height();
}

int OVHelpWindowController::helpSectionHeightForBody(int bodyHeight, int gapAfter) {
    return kTitleHeight + kTitleGap + bodyHeight + gapAfter;
}

void OVHelpWindowController::buildContent() {
    auto* layout = new QVBoxLayout(_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    _scrollArea = new QScrollArea(_window.get());
    _scrollArea->setFrameShape(QFrame::NoFrame);
    _scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    _scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(_scrollArea);

    auto* document = new QWidget;
    document->setObjectName(QStringLiteral("helpDocument"));
    const int scrollBarWidth = _scrollArea->verticalScrollBar()->sizeHint().width();
    const int columnWidth = kWidth - 2 * kMargin - scrollBarWidth;
    QFont titleFont = document->font();
    titleFont.setBold(true);
    const QFont bodyFont = document->font();

    int y = kMargin;
    const QList<HelpSection> sections = helpSections();
    for (qsizetype index = 0; index < sections.size(); ++index) {
        const HelpSection& section = sections.at(index);
        const bool keyboard = index == 1;
        QLabel* title = plainLabel(section.title, document);
        title->setFont(titleFont);
        title->setGeometry(kMargin, y, columnWidth, kTitleHeight);

        const int bodyHeight = helpBodyHeightForText(section.body, bodyFont, columnWidth);
        QLabel* body = plainLabel(section.body, document);
        body->setWordWrap(true);
        body->setFont(bodyFont);
        body->setGeometry(kMargin, y + kTitleHeight + kTitleGap, columnWidth, bodyHeight);

        const int gapAfter = keyboard ? 8 : kSectionGap;
        y += helpSectionHeightForBody(bodyHeight, gapAfter);
        if (keyboard) {
            for (const IconHint& hint : keyboardIconHints()) {
                y += addIconHint(hint, kMargin, y, columnWidth, document);
            }
            y += kSectionGap;
        }
    }

    auto* button = new QPushButton(QStringLiteral("Open Help Page"), document);
    button->setGeometry(kMargin, y, 150, 30);
    QObject::connect(button, &QPushButton::clicked, document, [this] { openHelpPage(); });
    y += 30 + kMargin;

    document->setFixedSize(kWidth - scrollBarWidth, y);
    _scrollArea->setWidget(document);
}

void OVHelpWindowController::showWindow() {
    _window->show();
    _window->raise();
    _window->activateWindow();
}

void OVHelpWindowController::openHelpPage() {
    OVCurrentPlatform().workspace().openURL(OVHelpPageURL());
}
