#pragma once
// The action editor: the user picks up to three keys by name for one slot;
// "添加" gives the slot its display text and action string.

#include <QWidget>
#include <functional>

#include "core/editor/action_composer.h"

class QComboBox;
class QLabel;
class ClickableImage;

class edit : public QWidget {
    Q_OBJECT
public:
    explicit edit(QWidget* parent = nullptr);

    // The slot field: the slot index "0" … "9", set before the editor is shown.
    QString pd;

    QComboBox* lovea;
    QComboBox* lovek;
    QComboBox* lovem;
    QLabel* Label1;    // "添加"
    QLabel* pelmaran;  // the link
    ClickableImage* Image3;
    const editor::ActionComposer& composer() const { return composer_; }

    // Runs the save as a click on "添加" does.
    void Label1_Click();

signals:
    // The user saved a target for slot `index`; the host stores and shows it.
    void saved(int index, const editor::SlotTarget& target);
    // The editor is done (saved or closed); the host shows the main window.
    void finished();

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillPickers();
    void choose(int k, QComboBox* picker);
    void setLinkUnderlined(bool on);

    editor::ActionComposer composer_;
};
