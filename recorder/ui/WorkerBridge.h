#pragma once

#include "MessageBoxes.h"
#include "SaveFileDialog.h"
#include "SaveProgress.h"

class QObject;
class QProgressBar;

// The save worker's way to the window's thread: questions and the file dialog
// wait for the answer there; progress is handed over without waiting.
class WorkerBridge : public SaveFileDialog, public MessageBoxes, public SaveProgress {
public:
    WorkerBridge(QObject *windowObject, SaveFileDialog &dialog, MessageBoxes &messages,
                 QProgressBar *progress)
        : window_(windowObject), dialog_(dialog), messages_(messages), progress_(progress)
    {
    }

    std::optional<Choice> askSavePath(const std::string &title,
                                      const std::vector<std::string> &filters) override;
    void inform(const std::string &text, const std::string &caption) override;
    bool ask(const std::string &text, const std::string &caption) override;
    void setRange(std::uint64_t total) override;
    void setDone(std::uint64_t done) override;

private:
    QObject *window_;
    SaveFileDialog &dialog_;
    MessageBoxes &messages_;
    QProgressBar *progress_;
};
