#include "compat/ui/compat_controls.h"

#include "compat/diagnostics_report.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

OVCompatWindow::OVCompatWindow(const QString& title) : QWidget(nullptr, Qt::Window) {
    setWindowTitle(title);
}

void OVCompatWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (_closeHandler) {
        _closeHandler();
    }
}

QLabel* OVCompatLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

QLabel* OVCompatBoldLabel(const QString& text, QWidget* parent, int pixelSize) {
    QLabel* label = OVCompatLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    if (pixelSize > 0) {
        font.setPixelSize(pixelSize);
    }
    label->setFont(font);
    return label;
}

void OVSetTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void OVUseSecondaryTextColor(QLabel* label) {
    OVSetTextColor(label, label->palette().color(QPalette::PlaceholderText));
}

QPushButton* OVCompatButton(const QString& title, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setAutoDefault(false);
    return button;
}

QComboBox* OVDisplayModelPopup(QWidget* parent) {
    auto* popup = new QComboBox(parent);
    popup->addItems(OVDisplayModelChoices());
    popup->setCurrentIndex(0);
    return popup;
}

QLineEdit* OVOtherDisplayModelField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setPlaceholderText(QStringLiteral("Specify display model"));
    field->setEnabled(false);
    return field;
}

void OVShowDisplayModelChoice(const OVDisplayModelChoice& choice, bool choiceEnabled,
                              QComboBox* popup, QLineEdit* field) {
    popup->setEnabled(choiceEnabled);
    field->setEnabled(choiceEnabled && choice.otherFieldEnabled);
    if (field->text() != choice.otherText) {
        field->setText(choice.otherText);
    }
}

OVContactFilter OVContactFilterForWindow(const QWidget* window) {
    QPointer<const QWidget> guarded(window);
    return [guarded](const QVariantList& contacts) {
        if (!guarded) {
            return QVariantList();
        }
        return OVContactsInsideWindow(contacts, QRectF(guarded->frameGeometry()));
    };
}
