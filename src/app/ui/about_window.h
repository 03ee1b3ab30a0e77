#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;

// The About window: the program's icon, name and version, the maker's line, and the update check
// and the interactive compatibility check. Made once and kept; closing it only hides it.
class OVAboutWindowController {
  public:
    struct Actions {
        std::function<void()> checkForUpdates;
        // The interactive compatibility check; the same window every time.
        std::function<void()> startCompatibilityCheck;
        // The step-by-step compatibility test.
        std::function<void()> startCompatibilityTest;
    };

    explicit OVAboutWindowController(Actions actions);
    ~OVAboutWindowController();

    void showWindow();
    QWidget* window() const { return _window.get(); }

    // "Version %1 (beta)" with the application's version, "0.1.0" when it has none.
    static QString versionLine();

    void checkForUpdates();
    void startCompatibilityCheck();
    void startCompatibilityTest();

    QLabel* label(const QString& text, const QRect& frame);
    QPushButton* buttonWithTitle(const QString& title, const QRect& frame,
                                 std::function<void()> action);

  private:
    void buildContent();

    Actions _actions;
    std::unique_ptr<QWidget> _window;
};
