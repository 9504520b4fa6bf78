// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DialogTemplate.h"
#include "ValueKeys.h"

#include <QDialog>
#include <QHash>
#include <QIcon>

#include <memory>

class CardSession;
class MessageBoxes;

// The control panel's main window (dialog 102), a view of the card session:
// it is built from its template, shows what the session shows, and turns
// every click into a call of the session. It keeps no state of its own.
class CVarnelDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 102;

    // Messages go to the given boxes, else to Qt's own over this window.
    explicit CVarnelDlg(CardSession &session, MessageBoxes *messages = nullptr,
                        QWidget *parent = nullptr);
    ~CVarnelDlg() override;

    QWidget *control(int id) const { return controls_.value(id); }
    const DialogTemplate &dialogTemplate() const { return template_; }
    const QIcon &icon() const { return icon_; }

    // The Record button's caption follows whether the recorder shows.
    void showRecorderShown(bool shown);
    // The tray menu's Exit, and the close box where there is no tray: the
    // program ends, even when its main loop has not started yet.
    void exitProgram();

    void showMessage(const QString &text);

    static QString libraryLoadFailure(const QString &fileName);
    static QString accessDeniedText();
    static QString settingsNotSavedText(const QString &folder);

    // Enter does nothing in this window; Escape ends the program.
    void accept() override;
    void reject() override;

signals:
    void recordClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Tab goes on into the recorder when it shows docked beside the window.
    bool focusNextPrevChild(bool next) override;

private:
    void buildControls();
    void connectControls();
    void applyFonts();
    void makeCompact();
    void hideDebugControls();
    void hideOutsideControls();
    void nameControls();
    void groupModes();
    void render();
    void renderValues();
    void renderChecks();
    void renderEnabled();
    void renderCard();
    void postMessage(const QString &text);
    template <typename Handler> void onClick(int id, Handler handler);

    CardSession &session_;
    std::unique_ptr<MessageBoxes> ownMessages_;
    MessageBoxes &messages_;
    DialogTemplate template_;
    QHash<int, QWidget *> controls_;
    QIcon icon_;
    ValueKeys keys_;
};
