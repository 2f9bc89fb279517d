#pragma once
// The action editor: the user picks up to three keys by name for one slot;
// "添加" gives the slot its display text and action string. The session
// (core/slots/editor_session.h) decides; this draws it and forwards the picks
// and the clicks.

#include <QWidget>
#include <functional>

#include "core/slots/editor_session.h"

class QComboBox;
class QLabel;
class ClickableImage;

class edit : public QWidget {
    Q_OBJECT
public:
    explicit edit(app::EditorSession& session, QWidget* parent = nullptr);
    ~edit() override;

    // The slot field: the index "0" … "9" of the slot being edited.
    QString pd() const { return QString::number(session_.slot()); }

    QComboBox* lovea;
    QComboBox* lovek;
    QComboBox* lovem;
    QLabel* Label1;    // "添加"
    QLabel* pelmaran;  // the link
    ClickableImage* Image3;
    const editor::ActionComposer& composer() const { return session_.composer(); }

    // Runs the save as a click on "添加" does.
    void Label1_Click();

signals:
    // The editor is done (saved or closed); the host shows the main window.
    void finished();

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillPickers();
    void choose(int k, QComboBox* picker);
    void setLinkUnderlined(bool on);

    app::EditorSession& session_;
};
