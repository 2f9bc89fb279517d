#pragma once
// One running copy per user and display: two copies would fight over the same
// chords and overwrite each other's set.ini.

#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QObject* parent = nullptr);

    // True when another copy runs; it has been asked to show its window.
    bool askRunningCopyToShow();
    // Starts answering later copies. False when the name could not be taken.
    bool listen();

    static QString serverName();

signals:
    void showRequested();

private:
    QLocalServer* server_ = nullptr;
};
