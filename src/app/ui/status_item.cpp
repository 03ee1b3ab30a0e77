#include "app/ui/status_item.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QSystemTrayIcon>

#include "app/app_delegate.h"
#include "app/ui/status_icon.h"
#include "app/ui/status_menu_window.h"
#include "app/ui/tray_watch.h"
#include "keyboard/ui/window_placement.h"

OVStatusItem::OVStatusItem(OVAppDelegate& delegate, bool trayAvailable, QObject* parent)
    : QObject(parent), _delegate(delegate), _trayAvailable(trayAvailable) {}

OVStatusItem::~OVStatusItem() {
    // The window and the tray refer to the menu: they go first.
    _trayWatch.reset();
    _window.reset();
    _tray.reset();
}

QWidget* OVStatusItem::menuWindow() const {
    return _window.get();
}

QAction* OVStatusItem::addCommand(QMenu* menu, const QString& title, const QKeySequence& shortcut,
                                  std::function<void(OVAppDelegate&)> command) {
    QAction* action = menu->addAction(title);
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this,
            [this, command = std::move(command)] { command(_delegate); });
    return action;
}

void OVStatusItem::buildMenu() {
    _menu = std::make_unique<QMenu>();
    _menu->setTitle(QStringLiteral("Orvetta"));
    _statusAction = _menu->addAction(OVStatusMenuStartingTitle);
    _statusAction->setEnabled(false);
    _menu->addSeparator();
    _toggleAction = addCommand(_menu.get(), QStringLiteral("Start Touch"), {},
                               [](OVAppDelegate& delegate) { delegate.toggleTouch(); });
    _keyboardAction = addCommand(_menu.get(), QStringLiteral("Show Keyboard"),
                                 QKeySequence(QStringLiteral("Ctrl+K")),
                                 [](OVAppDelegate& delegate) { delegate.showKeyboard(); });
    _profileMenu = _menu->addMenu(QStringLiteral("Profile"));
    _profileAction = _profileMenu->menuAction();
    _settingsAction = addCommand(_menu.get(), QStringLiteral("Settings..."),
                                 QKeySequence(QStringLiteral("Ctrl+,")),
                                 [](OVAppDelegate& delegate) { delegate.showSettings(); });
    _helpAction = addCommand(_menu.get(), QStringLiteral("Orvetta Help"),
                             QKeySequence(QStringLiteral("Ctrl+?")),
                             [](OVAppDelegate& delegate) { delegate.showHelp(); });
    _aboutAction = addCommand(_menu.get(), QStringLiteral("About Orvetta"), {},
                              [](OVAppDelegate& delegate) { delegate.showAbout(); });
    _advancedMenu = _menu->addMenu(QStringLiteral("Advanced"));
    _compatibilityTestAction =
        addCommand(_advancedMenu, QStringLiteral("Compatibility Test..."), {},
                   [](OVAppDelegate& delegate) { delegate.showCompatibilityTest(); });
    _menu->addSeparator();
    _quitAction = addCommand(_menu.get(), QStringLiteral("Quit Orvetta"),
                             QKeySequence(QStringLiteral("Ctrl+Q")),
                             [](OVAppDelegate& delegate) { delegate.quit(); });

    // What the menu shows is brought up to date as it opens.
    connect(_menu.get(), &QMenu::aboutToShow, this, [this] { _delegate.refreshMenu(); });
    _profileGroup = new QActionGroup(_profileMenu);
    _profileGroup->setExclusive(true);

    if (_trayAvailable) {
        showTrayIcon();
        return;
    }
    _window = std::make_unique<OVStatusMenuWindow>(*_menu);
    _window->setToolTip(QStringLiteral("Orvetta"));
    OVCenterWindowOnPreferredScreen(_window.get());
    _window->show();
    _trayWatch = std::make_unique<OVTrayWatch>([this] {
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            takeTray();
        }
    });
}

void OVStatusItem::showTrayIcon() {
    _tray = std::make_unique<QSystemTrayIcon>(OVStatusIcon());
    _tray->setToolTip(QStringLiteral("Orvetta"));
    _tray->setContextMenu(_menu.get());
    // A left click opens the same menu, as a menu-bar item does.
    connect(_tray.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    _menu->popup(QCursor::pos());
                }
            });
    _tray->show();
}

void OVStatusItem::takeTray() {
    if (_tray || !_menu) {
        return;
    }
    _trayWatch.reset();
    showTrayIcon();
    // The window shares the menu's actions: it goes, the menu stays.
    _window.reset();
}

void OVStatusItem::setMenuState(const OVStatusMenuState& state) {
    if (!_menu) {
        buildMenu();
    }
    _statusAction->setText(state.statusTitle);
    _toggleAction->setText(state.toggleTitle);
    _toggleAction->setEnabled(state.toggleEnabled);
    _keyboardAction->setText(state.keyboardTitle);
    _keyboardAction->setEnabled(state.keyboardEnabled);
    _profileAction->setText(state.profileTitle);
    _profileAction->setEnabled(state.profileEnabled);
    _settingsAction->setEnabled(state.settingsEnabled);
    rebuildProfileMenu(state.profileItems);
    if (_window) {
        _window->refresh();
    }
}

void OVStatusItem::rebuildProfileMenu(const QList<OVStatusMenuProfileItem>& items) {
    using Kind = OVStatusMenuProfileItem::Kind;
    if (items == _profileItems) {
        return;
    }
    _profileItems = items;
    // The old items go later: one of them may be delivering the click that led here.
    for (QAction* old : _profileMenu->actions()) {
        _profileMenu->removeAction(old);
        _profileGroup->removeAction(old);
        old->deleteLater();
    }
    for (const OVStatusMenuProfileItem& item : items) {
        if (item.kind == Kind::Separator) {
            _profileMenu->addSeparator();
            continue;
        }
        QAction* action = _profileMenu->addAction(item.title);
        action->setCheckable(true);
        action->setChecked(item.checked);
        if (item.kind == Kind::Profile) {
            action->setData(item.profileName);
            action->setActionGroup(_profileGroup);
            connect(action, &QAction::triggered, this,
                    [this, action] { _delegate.selectProfileFromMenu(action->data()); });
        } else {
            connect(action, &QAction::triggered, this,
                    [this] { _delegate.toggleAutomaticProfileSwitching(); });
        }
    }
}

void OVStatusItem::reveal() {
    if (!_window) {
        return;
    }
    _window->show();
    _window->raise();
    _window->activateWindow();
}
