// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MessageBoxes.h"
#include "SaveFileDialog.h"
#include "SaveProgress.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;
class QProgressBar;

// The save worker's way to the window's thread: questions and the file dialog
// wait for the answer there; progress is handed over without waiting, each
// thousandth of the way once.
//
// A window that goes away while the worker still runs (the program quits
// during a save) closes the gate first: a question not yet on screen is then
// never asked, and the worker stops waiting for it (a notice is dropped, a
// question answers no, the file dialog answers cancel), so the window can wait
// for the worker without either waiting for the other.
class WorkerBridge : public SaveFileDialog, public MessageBoxes, public SaveProgress {
public:
    class Gate {
    public:
        void close();

    private:
        friend class WorkerBridge;
        std::mutex mutex_;
        std::condition_variable changed_;
        bool closed_ = false;
    };

    WorkerBridge(QObject *windowObject, std::shared_ptr<Gate> gate, SaveFileDialog &dialog,
                 MessageBoxes &messages, QProgressBar *progress)
        : window_(windowObject), gate_(std::move(gate)), dialog_(dialog), messages_(messages),
          progress_(progress)
    {
    }

    std::optional<Choice> askSavePath(const std::string &title,
                                      const std::vector<std::string> &filters) override;
    void inform(const std::string &text, const std::string &caption) override;
    bool ask(const std::string &text, const std::string &caption) override;
    void setRange(std::uint64_t total) override;
    void setDone(std::uint64_t done) override;

private:
    // Runs work on the window's thread and waits for it; false when the gate
    // closed before it began.
    bool onWindow(std::function<void()> work);

    QObject *window_;
    std::shared_ptr<Gate> gate_;
    SaveFileDialog &dialog_;
    MessageBoxes &messages_;
    QProgressBar *progress_;
    // The bar moves in steps of a thousandth: a long save would otherwise
    // queue a hundred thousand updates on the window's thread.
    std::uint64_t total_ = 0;
    std::uint64_t shownStep_ = ~std::uint64_t(0);
};
