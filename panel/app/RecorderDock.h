// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RecorderLibrary.h"

#include <QObject>
#include <QPointer>

#include <filesystem>

class CardSession;
class QWidget;

// The recorder window, docked to the main window's right edge: the Record
// button opens and closes it; it hides with the main window and comes back
// with it, moves with it, and hides when the card goes (a take it runs ends
// and is kept). Owns the recorder library.
class RecorderDock : public QObject {
    Q_OBJECT
public:
    static constexpr const char *kFileName = "NUVRecord.so";
    static constexpr int kWidth = 420;
    static constexpr int kHeight = 500;

    RecorderDock(QWidget &host, CardSession &session);

    // Whether the program folder holds the library: asked before the window
    // shows, so a missing one ends the start as before.
    static bool isPresent(const std::filesystem::path &programFolder);
    // False when the library cannot be loaded from the program folder. Until
    // it is, the Record button opens nothing.
    bool load(const std::filesystem::path &programFolder);
    bool isLoaded() const { return library_.isLoaded(); }
    // The Record button: true when the recorder shows after it.
    bool toggle();
    // The system is about to sleep: a take in progress ends and is kept, as
    // when its source goes away.
    void endTake();

signals:
    // The recorder window was shown or hidden, whoever did it: the Record
    // button, the recorder's own Escape or close, the card going, or the main
    // window taking it along.
    void shownChanged(bool shown);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void cardChanged();
    void follow(QWidget *recorder);
    bool recorderEvent(QEvent *event);

    QWidget &host_;
    CardSession &session_;
    RecorderLibrary library_;
    QPointer<QWidget> recorder_;
};
