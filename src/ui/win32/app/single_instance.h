#pragma once
// One running copy per user: two copies would fight over the same chords and
// overwrite each other's set.ini. A named mutex tells a second copy that it
// is one; it then asks the first to show its window, and ends.

#include <windows.h>
#include <string>

namespace win32app {

class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another copy of this user's holds the mutex.
    bool first() const { return first_; }
    // Asks the first copy to show its window and come forward, waiting for
    // its window while it starts. False when no window answered in time.
    static bool askFirstCopyToShow(int timeoutMs = 5000);

    static std::wstring mutexName();

    // What CreateMutexW's outcome says: another copy holds the mutex when it
    // was there already, or when it cannot even be opened because a copy at
    // another integrity level (one started as administrator, or this one
    // elevated and the other not) made it for itself.
    static bool anotherCopyHolds(bool created, DWORD lastError) {
        return created ? lastError == ERROR_ALREADY_EXISTS : lastError == ERROR_ACCESS_DENIED;
    }

private:
    HANDLE mutex_ = nullptr;
    bool first_ = true;
};

}  // namespace win32app
