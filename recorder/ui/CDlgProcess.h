// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PcmFormat.h"
#include "WorkerBridge.h"

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

class MessageBoxes;
class QProgressBar;
class SaveFileDialog;

// The save window: a progress bar alone. When it is shown, a worker thread
// asks for a file name and writes the take under it; the window polls the
// worker every 100 ms and closes itself once the worker has ended. Should the
// window go before that (the program quits), the save stops at its next
// block, leaving the file it was to replace as it was.
class CDlgProcess : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPollMs = 100;

    // sourcePath: the take to save (the buffer file).
    CDlgProcess(std::filesystem::path sourcePath, QWidget *parent);
    ~CDlgProcess() override;

    void setFormat(const PcmFormat &format) { format_ = format; }
    void setMessages(MessageBoxes &messages) { messages_ = &messages; }
    // Replaces the system's save-as dialog (tests).
    void setSaveDialog(SaveFileDialog &dialog) { saveDialog_ = &dialog; }
    // Loads this encoder library instead of the usual one (tests).
    void setEncoderLibrary(std::string file) { encoderLibrary_ = std::move(file); }

    // 1 once a file was written.
    int result() const { return written_; }
    QProgressBar *progressBar() const { return progress_; }

public slots:
    // Once the name is chosen the save runs to its end: Escape does not end it.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void startWorker();
    void pollWorker();

    std::filesystem::path source_;
    PcmFormat format_;
    MessageBoxes *messages_ = nullptr;
    SaveFileDialog *saveDialog_ = nullptr;
    std::unique_ptr<SaveFileDialog> systemDialog_;
    std::string encoderLibrary_;
    QProgressBar *progress_;
    QTimer poll_;
    std::thread worker_;
    std::shared_ptr<WorkerBridge::Gate> gate_ = std::make_shared<WorkerBridge::Gate>();
    std::atomic<bool> stopRequest_{false};
    std::atomic<bool> workerDone_{false};
    std::atomic<int> written_{0};
};
