#pragma once
// A real Chinese input method for tests, and clients that type through it.
//
// InputMethod runs fcitx5 with pinyin at its default hot keys (Left Shift
// alone switches Chinese and English, Ctrl+Left Shift the input method) on a
// private session bus, on the display in DISPLAY, with a configuration of its
// own. Its log gives every switch and every key event it handled.
//
// ImClient is a window that types through it and says what it received: an
// xterm over XIM (the bytes typed into it), or a GTK 3 text field over the
// GTK module (a line for each key press and each committed text).

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <string>

class InputMethod {
public:
    InputMethod();
    ~InputMethod();
    InputMethod(const InputMethod&) = delete;
    InputMethod& operator=(const InputMethod&) = delete;

    std::string error;  // why it could not start
    bool ok() const { return error.empty(); }

    // What a client needs to talk to it.
    QProcessEnvironment clientEnvironment() const;

    // Switches of input method so far, as its log gives them.
    int switches() const;
    // Key events of `keysym` (an X keysym name such as "F12"), with no
    // modifier held, handled so far.
    int keyEventsHandled(const std::string& keysym, bool release) const;
    // The lines of its log that tell what it did with keys, from line `from`.
    std::string keyLog(int from) const;
    int logLines() const;

    // For the focused client: 1 the first input method (English), 2 pinyin, 0 unknown.
    int state() const;
    // Turns pinyin on for the focused client.
    bool activate() const;

private:
    std::string log() const;
    QString remote(const QStringList& args) const;

    QTemporaryDir dir_;
    QProcess bus_;
    QProcess fcitx_;
    QString busAddress_;
};

class ImClient {
public:
    enum Kind { XimTerminal, Gtk3Field };
    ImClient(Kind kind, const QProcessEnvironment& env);
    ~ImClient();
    ImClient(const ImClient&) = delete;
    ImClient& operator=(const ImClient&) = delete;

    std::string error;
    bool ok() const { return error.empty(); }
    Kind kind() const { return kind_; }

    // Gives the window the input focus and waits until it has it.
    bool focus();
    // Everything received so far.
    std::string received();
    // How often `token` occurs in what was received from position `from` on.
    int count(const std::string& token, std::size_t from);
    // Waits until `token` occurs `times` times from position `from` on.
    bool waitFor(const std::string& token, std::size_t from, int times = 1, int timeoutMs = 5000);

private:
    Kind kind_;
    QTemporaryDir dir_;
    QProcess process_;
    QString window_;
    std::string lines_;
};
