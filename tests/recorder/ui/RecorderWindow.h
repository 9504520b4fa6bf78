// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The recorder window over fake devices in a temporary folder, as the window
// tests meet it: the product's devices listed, the window shown, and takes
// recorded through the fake device block by block.
#include "CMixerSet2Dlg.h"
#include "FakeAudioCapture.h"
#include "FakeAudioDeviceNames.h"
#include "FakePlayer.h"
#include "RecordingMessageBoxes.h"
#include "SaveFileDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

class AnsweringSaveDialog : public SaveFileDialog {
public:
    std::optional<Choice> askSavePath(const std::string &,
                                      const std::vector<std::string> &) override
    {
        return answer;
    }
    std::optional<Choice> answer;
};

struct RecorderWindow {
    QTemporaryDir folder;
    FakeAudioCapture capture;
    FakePlayer player;
    FakeAudioDeviceNames devices;
    RecordingMessageBoxes messages;
    AnsweringSaveDialog saveDialog;
    std::unique_ptr<CMixerSet2Dlg> dialog;

    RecorderWindow()
    {
        devices.outputNames = {"Speakers (VEK ZR-4)", "Built-in Audio", "VEK ZR-4 Digital"};
        devices.inputNames = {"VEK ZR-4", "Webcam Microphone"};
        open();
    }

    // A new window, as the library makes it, over the same folder and devices.
    void open()
    {
        dialog.reset();
        const RecorderServices services{
            capture, player, devices, messages, folder.path().toStdString(), &saveDialog};
        dialog = std::make_unique<CMixerSet2Dlg>(services, 100, 50);
        dialog->show();
    }

    QPushButton *button(int id) const
    {
        return dialog->findChild<QPushButton *>(QString::number(id));
    }
    QString text(int id) const
    {
        if (auto *b = button(id))
            return b->text();
        return dialog->findChild<QLabel *>(QString::number(id))->text();
    }
    QScrollBar *scroll() const { return dialog->findChild<QScrollBar *>("1014"); }
    std::string take() const { return dialog->bufferFile().bufferPath().string(); }

    // Records `seconds` of a quiet tone through the fake device, block by block.
    void recordTake(double seconds)
    {
        button(1003)->click();
        QCOMPARE(text(1003), QString("Stop"));
        const auto bytes = std::size_t(seconds * 176400) / 4 * 4;
        std::vector<std::uint8_t> block(8820);
        for (std::size_t i = 0; i < block.size(); i += 2)
            block[i + 1] = (i / 2) % 40 < 20 ? 0x10 : 0xf0;
        for (std::size_t done = 0; done < bytes; done += block.size()) {
            capture.capture(std::span(block).first(std::min(block.size(), bytes - done)));
            capture.deliver();
        }
        button(1003)->click();
        capture.deliver();
        QCOMPARE(text(1003), QString("Record"));
        player.lengths[take()] = unsigned(seconds * 1000);
    }
};
