#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QPushButton;

// Where the desktop has no system tray: a small window that shows the status menu's items as a
// column of buttons sharing the menu's actions, so that titles and states stay the same.
// Closing it only hides it; starting the program again shows it.
class OVStatusMenuWindow : public QWidget {
    Q_OBJECT

  public:
    explicit OVStatusMenuWindow(QMenu& menu, QWidget* parent = nullptr);

    // Rebuilds the rows from the menu's current items.
    void rebuildFromMenu();
    // Updates the status line and the buttons' texts and states.
    void refresh();

    QLabel* statusLabel() const { return _statusLabel; }
    // The buttons, in the menu's order (separators and the status line excluded).
    const QList<QPushButton*>& buttons() const { return _buttons; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QPushButton* buttonForAction(QAction* action);
    void clearRows();

    QMenu& _menu;
    QLabel* _statusLabel = nullptr;
    QWidget* _rows = nullptr;
    QList<QPushButton*> _buttons;
    QAction* _statusAction = nullptr;
};
