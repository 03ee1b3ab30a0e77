#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <memory>

class QScrollArea;

// The Help window: touch control, the keyboard (with its icons) and the settings explained in
// short sections over a scrolling column, and a button that opens the online help page. Made once
// and kept; closing it only hides it.
class OVHelpWindowController {
  public:
    OVHelpWindowController();
    ~OVHelpWindowController();

    void showWindow();
    QWidget* window() const { return _window.get(); }
    QScrollArea* scrollArea() const { return _scrollArea; }
    // The column that holds the sections.
    QWidget* documentView() const;

    void openHelpPage();

    // The height of `text` wrapped to `width` in `font`.
    static int helpBodyHeightForText(const QString& text, const QFont& font, int width);
    // A section's height: its title, the body and the gap after it.
    static int helpSectionHeightForBody(int bodyHeight, int gapAfter);

  private:
    void buildContent();

    std::unique_ptr<QWidget> _window;
    QScrollArea* _scrollArea = nullptr;
};
