#include "app/ui/alert_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/status_icon.h"
#include "keyboard/ui/window_placement.h"

namespace {

constexpr int kIconPixels = 56;
constexpr int kTextWidth = 340;

// Alert texts may come from the app policy, that is from a server: they are shown as written,
// never read as markup.
QLabel* wrappedLabel(const QString& text, QWidget* parent, bool bold = false) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    // A fixed size measured from the text, so that a wider row of buttons cannot squeeze it.
    label->setFixedSize(kTextWidth, label->heightForWidth(kTextWidth));
    return label;
}

}  // namespace

OVAlertDialog::OVAlertDialog(const OVModalAlert& alert, QWidget* parent) : QDialog(parent) {
    setWindowTitle(alert.windowTitle.isEmpty() ? QStringLiteral("Orvetta") : alert.windowTitle);
    setModal(true);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(20, 20, 20, 16);
    outer->setSpacing(16);

    auto* icon = new QLabel(this);
    const qreal scale = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(OVStatusIconImage(qRound(kIconPixels * scale)));
    pixmap.setDevicePixelRatio(scale);
    icon->setPixmap(pixmap);
    icon->setAlignment(Qt::AlignTop);
    outer->addWidget(icon, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    outer->addLayout(column);

    column->addWidget(wrappedLabel(alert.messageText, this, true));
    if (!alert.informativeText.isEmpty()) {
        column->addWidget(wrappedLabel(alert.informativeText, this));
    }

    if (alert.hasTextField) {
        _textField = new QLineEdit(alert.textFieldValue, this);
        _textField->setFixedSize(260, 24);
        column->addWidget(_textField);
    }
    if (!alert.accessoryButtonTitle.isEmpty()) {
        _accessoryButton = new QPushButton(alert.accessoryButtonTitle, this);
        _accessoryButton->setAutoDefault(false);
        _accessoryButton->setFixedSize(96, 30);
        _accessoryAction = alert.accessoryButtonAction;
        connect(_accessoryButton, &QPushButton::clicked, this, [this] {
            if (_accessoryAction) {
                _accessoryAction();
            }
        });
        column->addWidget(_accessoryButton);
    }
    column->addSpacing(6);
    column->addLayout(buttonRow(alert));
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

QHBoxLayout* OVAlertDialog::buttonRow(const OVModalAlert& alert) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (qsizetype index = 0; index < alert.buttonTitles.size(); ++index) {
        // "&" in a title is a character, not the mark of a keyboard shortcut.
        QString title = alert.buttonTitles.at(index);
        auto* button = new QPushButton(title.replace(QLatin1Char('&'), QStringLiteral("&&")), this);
        button->setMinimumWidth(88);
        button->setAutoDefault(false);
        button->setDefault(index == 0);
        connect(button, &QPushButton::clicked, this, [this, index] {
            _chosen = static_cast<int>(index);
            accept();
        });
        _buttons.append(button);
    }
    // The first button, the default, sits on the right.
    for (auto it = _buttons.crbegin(); it != _buttons.crend(); ++it) {
        row->addWidget(*it);
    }
    return row;
}

QString OVAlertDialog::textFieldValue() const {
    return _textField ? _textField->text() : QString();
}

int OVAlertDialog::run() {
    _chosen = -1;
    adjustSize();
    OVCenterWindowOnPreferredScreen(this);
    exec();
    return _chosen;
}

int OVQtModalAlertRunner::runModalAlert(OVModalAlert& alert) {
    OVAlertDialog dialog(alert);
    const int chosen = dialog.run();
    if (alert.hasTextField) {
        alert.textFieldValue = dialog.textFieldValue();
    }
    return chosen;
}
