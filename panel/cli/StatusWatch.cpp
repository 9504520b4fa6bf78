// SPDX-License-Identifier: GPL-3.0-or-later
#include "StatusWatch.h"

#include "CommandReply.h"
#include "DeviceNotifier.h"
#include "HidCardSession.h"
#include "SingleInstance.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLocalSocket>

namespace {
const char *const kConnection = CardSession::sourceName(CardSession::Source::Connection);
} // namespace

StatusWatch::StatusWatch(const CommandRunner::Setup &setup, const CommandLine &command,
                         std::ostream &out, std::ostream &err)
    : setup_(setup), command_(command), out_(out), err_(err)
{
    panelSilence_.setSingleShot(true);
    QObject::connect(&panelSilence_, &QTimer::timeout, [this] {
        if (!panelAnswered_)
            fail(CommandReply::kFailed, "orlenta: the running panel did not answer");
    });
}

StatusWatch::~StatusWatch()
{
    release();
}

int StatusWatch::run()
{
    follow();
    while (!ended_) {
        loop_.exec();
        if (changeOver_ && !ended_) {
            changeOver_ = false;
            release();
            follow();
        }
    }
    release();
    return exitCode_;
}

void StatusWatch::stop()
{
    ended_ = true;
    loop_.quit();
}

void StatusWatch::fail(int exitCode, const std::string &message)
{
    if (ended_)
        return;
    print({}, message + "\n");
    exitCode_ = exitCode;
    stop();
}

// Asked for from the event loop, maybe inside a wait for the card: done
// once run() has the loop back.
void StatusWatch::changeOver()
{
    changeOver_ = true;
    loop_.quit();
}

void StatusWatch::follow()
{
    if (followPanel())
        return;
    if (setup_.panelRunning && setup_.panelRunning()) {
        // It holds its place but does not answer: the card is left to it.
        fail(CommandReply::kFailed, "orlenta: the running panel did not answer");
        return;
    }
    followCard();
}

bool StatusWatch::followPanel()
{
    if (!setup_.subscribeToPanel)
        return false;
    panel_ = setup_.subscribeToPanel(QByteArray::fromStdString(command_.requestLine()));
    if (!panel_)
        return false;
    panelAnswered_ = false;
    panelRefusal_.reset();
    QObject::connect(panel_.get(), &QLocalSocket::readyRead, [this] { readPanel(); });
    QObject::connect(panel_.get(), &QLocalSocket::disconnected, [this] { panelGone(); });
    panelSilence_.start(SingleInstance::kReplyWait);
    readPanel();
    return true;
}

void StatusWatch::readPanel()
{
    while (!ended_ && panel_ && panel_->canReadLine()) {
        const std::optional<CommandReply> reply =
            CommandReply::decode(panel_->readLine().trimmed());
        if (!reply) {
            fail(CommandReply::kFailed, "orlenta: the running panel did not answer");
            return;
        }
        panelAnswered_ = true;
        print(reply->out, reply->err);
        if (reply->exitCode != CommandReply::kDone)
            panelRefusal_ = reply->exitCode;
    }
}

// The panel ended, refused, or dropped this watch for falling behind.
void StatusWatch::panelGone()
{
    if (ended_)
        return;
    readPanel();
    if (panelRefusal_) {
        exitCode_ = *panelRefusal_;
        stop();
        return;
    }
    changeOver();
}

void StatusWatch::followCard()
{
    if (setup_.makeNotifier)
        notifier_ = setup_.makeNotifier();
    HidCardSession::Setup card = setup_.card;
    card.notifier = notifier_.get();
    session_ = std::make_unique<HidCardSession>(card);
    if (!session_->loadLibrary()) {
        fail(CommandReply::kFailed,
             "orlenta: the HID control library NUVAUDIOCTL.so could not be loaded");
        return;
    }
    session_->followNotices();
    session_->openAndWait(setup_.readWait);
    if (ended_)
        return;
    lines_.emplace(command_.json);
    print(lines_->line(session_->status(), kConnection), {});
    follower_ = std::make_unique<StatusFollower>(
        *session_, [this](const PanelStatus &status, CardSession::Source source) {
            print(lines_->line(status, CardSession::sourceName(source)), {});
        });
    watchForPanel();
}

// A panel that starts makes its socket beside its lock.
void StatusWatch::watchForPanel()
{
    if (setup_.panelSocket.isEmpty() || !setup_.panelRunning)
        return;
    panelStarts_ = std::make_unique<QFileSystemWatcher>(
        QStringList{QFileInfo(setup_.panelSocket).absolutePath()});
    QObject::connect(panelStarts_.get(), &QFileSystemWatcher::directoryChanged, [this] {
        if (setup_.panelRunning())
            changeOver();
    });
    if (setup_.panelRunning())
        changeOver();
}

void StatusWatch::release()
{
    panelSilence_.stop();
    if (panel_) {
        // Its end is this watch's doing, not news to act on.
        panel_->disconnect();
        panel_->abort();
    }
    panel_.reset();
    panelStarts_.reset();
    follower_.reset();
    lines_.reset();
    session_.reset();
    notifier_.reset();
}

void StatusWatch::print(const std::string &out, const std::string &err)
{
    // Line by line, also into a pipe: whoever reads it acts on each change.
    if (!out.empty())
        out_ << out << std::flush;
    if (!err.empty())
        err_ << err << std::flush;
}
