// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>

// Asks the running panel over its single-instance socket: one request line
// out, then everything it sends until it closes the connection.
class RunningPanelClient {
public:
    static constexpr std::chrono::milliseconds kConnectWait{1000};
    // A change may wait behind other exchanges of the panel.
    static constexpr std::chrono::milliseconds kReplyWait{35000};

    explicit RunningPanelClient(QString socketPath,
                                std::chrono::milliseconds replyWait = kReplyWait);

    // None when no panel took the connection. What a panel that took it sent
    // before it closed, or before the wait was over.
    std::optional<QByteArray> ask(const QByteArray &requestLine) const;

private:
    QString socketPath_;
    std::chrono::milliseconds replyWait_;
};
