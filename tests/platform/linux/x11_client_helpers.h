#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

typedef struct _XDisplay Display;

// A small X client for the end-to-end tests: a window over the whole screen that records the
// input the server delivers to it.
class X11TestClient {
  public:
    struct Event {
        enum class Kind { ButtonDown, ButtonUp, KeyDown, KeyUp };
        Kind kind;
        int x = 0;  // root coordinates
        int y = 0;
        unsigned detail = 0;  // button or key code
        unsigned state = 0;   // modifier and button masks before the event
        unsigned long keysym = 0;
        QString text;  // what the key types
    };

    // Whether the program runs with an X server (run-tests starts one).
    static bool available();
    static bool required();

    X11TestClient();
    ~X11TestClient();
    X11TestClient(const X11TestClient&) = delete;
    X11TestClient& operator=(const X11TestClient&) = delete;

    Display* display() const { return _display; }
    unsigned long window() const { return _window; }

    // Everything the server delivered up to now (after a round trip).
    std::vector<Event> takeEvents();
    // The keysyms of a key code in the server's map right now.
    unsigned long keysymOf(unsigned keycode);
    // Makes a top-level window with a WM_CLASS and a _NET_WM_PID, and names a window as the
    // active one on the root, as a window manager does.
    unsigned long makeClassWindow(const QByteArray& instance, const QByteArray& className,
                                  long pid);
    void setActiveWindow(unsigned long window);

  private:
    Display* _display = nullptr;
    unsigned long _window = 0;
};
