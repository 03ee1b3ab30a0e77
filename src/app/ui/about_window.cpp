#include "app/ui/about_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

#include "app/ui/status_icon.h"
#include "keyboard/ui/window_placement.h"

namespace {

constexpr int kWidth = 280;
constexpr int kHeight = 296;
constexpr int kIconSize = 88;

// The window's background: a soft vertical wash, and a drag anywhere on it moves the window.
class AboutBackground : public QWidget {
  public:
    AboutBackground() : QWidget(nullptr, Qt::Window) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient wash(0, 0, 0, height());
        const QColor base = palette().color(QPalette::Window);
        wash.setColorAt(0.0, base.lighter(106));
        wash.setColorAt(1.0, base.darker(104));
        painter.fillRect(rect(), wash);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && windowHandle()) {
            windowHandle()->startSystemMove();
        }
    }
};

}  // namespace

OVAboutWindowController::OVAboutWindowController(Actions actions)
    : _actions(std::move(actions)), _window(std::make_unique<AboutBackground>()) {
    _window->setWindowTitle(QStringLiteral("About Orvetta"));
    _window->setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    _window->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    _window->setFixedSize(kWidth, kHeight);
    buildContent();
    OVCenterWindowOnPreferredScreen(_window.get());
}

OVAboutWindowController::~OVAboutWindowController() = default;

QString OVAboutWindowController::versionLine() {
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty()) {
        version = QStringLiteral("0.1.0");
    }
    return QStringLiteral("Version %1 (beta)").arg(version);
}

QLabel* OVAboutWindowController::label(const QString& text, const QRect& frame) {
    auto* label = new QLabel(text, _window.get());
    label->setGeometry(frame);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

QPushButton* OVAboutWindowController::buttonWithTitle(const QString& title, const QRect& frame,
                                                      std::function<void()> action) {
    auto* button = new QPushButton(title, _window.get());
    button->setGeometry(frame);
    QObject::connect(button, &QPushButton::clicked, _window.get(), std::move(action));
    return button;
}

void OVAboutWindowController::buildContent() {
    auto* icon = new QLabel(_window.get());
    icon->setObjectName(QStringLiteral("applicationIcon"));
    const qreal scale = _window->devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(OVStatusIconImage(qRound(kIconSize * scale)));
    pixmap.setDevicePixelRatio(scale);
    icon->setPixmap(pixmap);
    icon->setGeometry((kWidth - kIconSize) / 2, 22, kIconSize, kIconSize);

    QLabel* name = label(QStringLiteral("Orvetta"), QRect(20, 118, kWidth - 40, 30));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.6);
    name->setFont(bold);

    QLabel* version = label(versionLine(), QRect(20, 150, kWidth - 40, 20));
    version->setObjectName(QStringLiteral("versionLine"));
    QPalette secondary = version->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    version->setPalette(secondary);

    label(QStringLiteral("Orvetta by marrowfen"), QRect(20, 172, kWidth - 40, 20));

    buttonWithTitle(QStringLiteral("Check for Updates"), QRect(50, 208, kWidth - 100, 32),
                    [this] { checkForUpdates(); });
    buttonWithTitle(QStringLiteral("Compatibility Check"), QRect(50, 248, kWidth - 100, 32),
                    [this] { startCompatibilityCheck(); });
}

void OVAboutWindowController::showWindow() {
    _window->show();
    _window->raise();
    _window->activateWindow();
}

void OVAboutWindowController::checkForUpdates() {
    if (_actions.checkForUpdates) {
        _actions.checkForUpdates();
    }
}

void OVAboutWindowController::startCompatibilityCheck() {
    if (_actions.startCompatibilityCheck) {
        _actions.startCompatibilityCheck();
    }
}

void OVAboutWindowController::startCompatibilityTest() {
    if (_actions.startCompatibilityTest) {
        _actions.startCompatibilityTest();
    }
}
