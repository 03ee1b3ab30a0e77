#include "app/ui/status_menu_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/status_icon.h"

namespace {

constexpr int kWindowWidth = 260;

QFrame* separatorLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

OVStatusMenuWindow::OVStatusMenuWindow(QMenu& menu, QWidget* parent)
    : QWidget(parent, Qt::Window), _menu(menu) {
    setWindowTitle(QStringLiteral("Orvetta"));
    setWindowIcon(OVStatusIcon());
    setFixedWidth(kWindowWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    _statusLabel = new QLabel(this);
    _statusLabel->setObjectName(QStringLiteral("statusLine"));
    _statusLabel->setWordWrap(true);
    QFont bold = _statusLabel->font();
    bold.setBold(true);
    _statusLabel->setFont(bold);
    layout->addWidget(_statusLabel);
    _rows = new QWidget(this);
    auto* rowsLayout = new QVBoxLayout(_rows);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->setSpacing(0);
    layout->addWidget(_rows);
    rebuildFromMenu();
}

void OVStatusMenuWindow::clearRows() {
    for (QAction* action : actions()) {
        removeAction(action);
    }
    qDeleteAll(_rows->findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    _buttons.clear();
    _statusAction = nullptr;
}

void OVStatusMenuWindow::rebuildFromMenu() {
    clearRows();
    auto* rowsLayout = static_cast<QVBoxLayout*>(_rows->layout());
    const QList<QAction*> items = _menu.actions();
    for (qsizetype index = 0; index < items.size(); ++index) {
        QAction* action = items.at(index);
        if (index == 0) {
            // The status line heads the window instead of being a row.
            _statusAction = action;
            continue;
        }
        if (action->isSeparator()) {
            rowsLayout->addWidget(separatorLine(_rows));
            continue;
        }
        QPushButton* button = buttonForAction(action);
        rowsLayout->addWidget(button);
        _buttons.append(button);
        if (!action->menu()) {
            // Keyboard shortcuts work while the window is active.
            addAction(action);
        }
    }
    refresh();
}

QPushButton* OVStatusMenuWindow::buttonForAction(QAction* action) {
    auto* button = new QPushButton(_rows);
    button->setFlat(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setMinimumHeight(28);
    button->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 4px 8px; }"));
    if (QMenu* submenu = action->menu()) {
        button->setMenu(submenu);
    } else {
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
    }
    if (!action->shortcut().isEmpty()) {
        button->setToolTip(action->shortcut().toString(QKeySequence::NativeText));
    }
    // The button follows the action's title and state.
    auto follow = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    };
    connect(action, &QAction::changed, button, follow);
    follow();
    return button;
}

void OVStatusMenuWindow::refresh() {
    _statusLabel->setText(_statusAction ? _statusAction->text() : QString());
    setFixedHeight(sizeHint().height());
}

void OVStatusMenuWindow::closeEvent(QCloseEvent* event) {
    // The program goes on running; starting it again shows this window.
    event->ignore();
    hide();
}
