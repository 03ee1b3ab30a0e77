#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "app/status_menu_state.h"

class OVAppDelegate;
class OVTrayWatch;
class QAction;
class QActionGroup;
class QMenu;
class QSystemTrayIcon;
class QWidget;
class OVStatusMenuWindow;

// The program's status item: an icon in the system tray with the status menu, or, where the
// desktop has no tray, a small window that shows the same menu until a tray appears. The menu's
// actions call the application delegate; the menu is brought up to date as it opens.
class OVStatusItem : public QObject {
    Q_OBJECT

  public:
    OVStatusItem(OVAppDelegate& delegate, bool trayAvailable, QObject* parent = nullptr);
    ~OVStatusItem() override;

    // Builds the menu on the first call; afterwards updates its titles, states and the profile
    // submenu.
    void setMenuState(const OVStatusMenuState& state);
    // Shows the window that stands in for the tray again (nothing while the tray is used).
    void reveal();
    // A tray appeared: the icon goes there and the window that stood in for it closes.
    void takeTray();

    bool usesTray() const { return _tray != nullptr; }
    QSystemTrayIcon* trayIcon() const { return _tray.get(); }
    QWidget* menuWindow() const;
    QMenu* menu() const { return _menu.get(); }
    QMenu* profileMenu() const { return _profileMenu; }
    QMenu* advancedMenu() const { return _advancedMenu; }

    QAction* statusAction() const { return _statusAction; }
    QAction* toggleAction() const { return _toggleAction; }
    QAction* keyboardAction() const { return _keyboardAction; }
    QAction* profileAction() const { return _profileAction; }
    QAction* settingsAction() const { return _settingsAction; }
    QAction* helpAction() const { return _helpAction; }
    QAction* aboutAction() const { return _aboutAction; }
    QAction* compatibilityTestAction() const { return _compatibilityTestAction; }
    QAction* quitAction() const { return _quitAction; }

  private:
    void buildMenu();
    QAction* addCommand(QMenu* menu, const QString& title, const QKeySequence& shortcut,
                        std::function<void(OVAppDelegate&)> command);
    void rebuildProfileMenu(const QList<OVStatusMenuProfileItem>& items);
    void showTrayIcon();

    OVAppDelegate& _delegate;
    std::unique_ptr<QMenu> _menu;
    std::unique_ptr<QSystemTrayIcon> _tray;
    std::unique_ptr<OVStatusMenuWindow> _window;
    std::unique_ptr<OVTrayWatch> _trayWatch;
    QMenu* _profileMenu = nullptr;
    // One profile is active: its item is the one in the on state.
    QActionGroup* _profileGroup = nullptr;
    QList<OVStatusMenuProfileItem> _profileItems;
    QMenu* _advancedMenu = nullptr;
    QAction* _statusAction = nullptr;
    QAction* _toggleAction = nullptr;
    QAction* _keyboardAction = nullptr;
    QAction* _profileAction = nullptr;
    QAction* _settingsAction = nullptr;
    QAction* _helpAction = nullptr;
    QAction* _aboutAction = nullptr;
    QAction* _compatibilityTestAction = nullptr;
    QAction* _quitAction = nullptr;
    bool _trayAvailable;
};
