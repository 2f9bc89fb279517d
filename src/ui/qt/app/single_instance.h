#pragma once
// One running copy per user and settings file: two copies would fight over
// the same chords and save over each other's set.ini.
//
// The copy that runs is the one holding an flock on "<key>.lock", where the
// key names the settings file's canonical path (links resolved, as saves
// resolve them), in the user's runtime folder: $XDG_RUNTIME_DIR/
// zorvane-change-hotkey, or /tmp/zorvane-change-hotkey-<uid> without one,
// mode 0700 and used only when it is the user's own. The system lets go of
// the lock however the copy ends, so a killed copy never keeps a later one
// out, and taking it is one step, so of two copies started together exactly
// one wins. How DISPLAY is spelled plays no part. The lock is not set.ini
// itself, which each save replaces by renaming a new file over it, nor a file
// beside it, whose folder may take no new files; the runtime folder is
// emptied at logout, so nothing is left behind.
//
// The running copy listens on "<key>.socket" beside the lock for a later
// start's request to show its window (see show_request_posix.h).

#include <QObject>
#include <optional>
#include <string>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    struct Places {
        std::string lock;
        std::string socket;
    };
    // Where the copy for `settingsPath` keeps its lock and listens; nothing,
    // and `why`, when the runtime folder cannot be used.
    static std::optional<Places> PlacesFor(const std::string& settingsPath, std::string* why);

    enum class Claim {
        Running,    // this copy holds the lock and is the one to run
        Unguarded,  // no lock can be had (why says why): it runs, unguarded
        Shown,      // another copy runs, and has shown its window
        Refused,    // another copy holds the lock and could not be asked (why says why)
    };

    explicit SingleInstance(const std::string& settingsPath, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock, or asks the copy holding it to show its window. That
    // copy may be starting still: it is asked again until it listens, for
    // up to timeoutMs, and the lock is tried again each time, as it may end.
    Claim claim(std::string* why, int timeoutMs = 10000);
    // Once Running: answers later starts. False, with why, when it cannot.
    bool listen(std::string* why);

signals:
    void showRequested();

private:
    std::optional<Places> places_;
    std::string placesWhy_;
    int lockFd_ = -1;
    bool held_ = false;
    QLocalServer* server_ = nullptr;
};
