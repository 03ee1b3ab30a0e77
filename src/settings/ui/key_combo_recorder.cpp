#include "settings/ui/key_combo_recorder.h"

#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/key_names.h"
#include "settings/qt_key_mapping.h"

namespace {

constexpr int kWidth = 340;
constexpr int kHeight = 150;

// Closing the sheet with its close button finishes it as cancelled; the window itself is hidden
// by finishing.
class RecorderDialog : public QDialog {
  public:
    RecorderDialog(QWidget* parent, std::function<void()> closeRequested)
        : QDialog(parent, Qt::Sheet), _closeRequested(std::move(closeRequested)) {}

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        _closeRequested();
    }
    void reject() override { _closeRequested(); }

  private:
    std::function<void()> _closeRequested;
};

QLabel* plainLabel(const QString& text, QWidget* parent, const QRect& frame) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(frame);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

}  // namespace

OVKeyComboCaptureView::OVKeyComboCaptureView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

bool OVKeyComboCaptureView::focusNextPrevChild(bool next) {
    Q_UNUSED(next);
    return false;
}

void OVKeyComboCaptureView::keyPressEvent(QKeyEvent* event) {
    if (OVQtKeyIsModifierOnly(event->key())) {
        event->accept();
        return;
    }
    std::optional<std::uint16_t> keyCode;
    if (scanCodeTranslator && event->nativeScanCode() != 0) {
        keyCode = scanCodeTranslator(event->nativeScanCode());
    }
    if (!keyCode) {
        keyCode = OVVirtualKeyForQtKey(event->key(), event->modifiers() & Qt::KeypadModifier);
    }
    event->accept();
    if (!keyCode) {
        // A key outside the vocabulary: keep waiting for one that can be posted.
        return;
    }
    const OVRecordedKeyCombo combo = OVKeyComboFromKeyDown(
        *keyCode, OVEventFlagsForQtModifiers(static_cast<int>(event->modifiers())));
    if (completion) {
        completion(false, combo.keyCode, combo.flags, combo.label);
    }
}

OVKeyComboRecorderWindowController::OVKeyComboRecorderWindowController(
    OVKeyComboCompletion completion, QWidget* parentWindow, OVScanCodeTranslator scanCodeTranslator)
    : _completion(std::move(completion)) {
    _window = std::make_unique<RecorderDialog>(parentWindow, [this] { cancel(); });
    _window->setWindowTitle(QStringLiteral("Record Key Combo"));
    _window->setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    _window->setFixedSize(kWidth, kHeight);

    auto* layout = new QVBoxLayout(_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    _captureView = new OVKeyComboCaptureView(_window.get());
    _captureView->scanCodeTranslator = std::move(scanCodeTranslator);
    layout->addWidget(_captureView);

    // From the top: the prompt, the example and the Cancel button (bottom-left frames flipped).
    QLabel* prompt = plainLabel(QStringLiteral("Press the key combo now"), _captureView,
                                QRect(24, kHeight - 92 - 24, 292, 24));
    QFont bold = prompt->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    prompt->setFont(bold);
    QLabel* example = plainLabel(QStringLiteral("For example Ctrl+K or Cmd+Shift+P."), _captureView,
                                 QRect(24, kHeight - 62 - 22, 292, 22));
    QPalette secondary = example->palette();
    secondary.setColor(QPalette::WindowText, secondary.color(QPalette::PlaceholderText));
    example->setPalette(secondary);

    _cancelButton = new QPushButton(QStringLiteral("Cancel"), _captureView);
    _cancelButton->setGeometry(208, kHeight - 18 - 32, 100, 32);
    // The capture view keeps the focus: Return and Space are keys to record.
    _cancelButton->setFocusPolicy(Qt::NoFocus);
    _cancelButton->setAutoDefault(false);
    QObject::connect(_cancelButton, &QPushButton::clicked, _window.get(), [this] { cancel(); });

    _captureView->completion = [this](bool cancelled, std::uint16_t keyCode, std::uint64_t flags,
                                      const QString& label) {
        finishCancelled(cancelled, keyCode, flags, label);
    };
}

OVKeyComboRecorderWindowController::~OVKeyComboRecorderWindowController() {
    if (_captureView) {
        _captureView->completion = nullptr;
    }
}

void OVKeyComboRecorderWindowController::showWindow() {
    _window->show();
    _window->raise();
    _window->activateWindow();
    _captureView->setFocus(Qt::OtherFocusReason);
}

void OVKeyComboRecorderWindowController::cancel() {
    finishCancelled(true, 0, 0, QString());
}

void OVKeyComboRecorderWindowController::finishCancelled(bool cancelled, std::uint16_t keyCode,
                                                         std::uint64_t flags,
                                                         const QString& label) {
    OVKeyComboCompletion completion = std::move(_completion);
    _completion = nullptr;
    if (!completion) {
        return;
    }
    _window->hide();
    completion(cancelled, keyCode, flags, label);
}
