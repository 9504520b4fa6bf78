// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecorderDock.h"

#include "CardSession.h"
#include "WindowAdoption.h"

#include <QEvent>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace {
// The recorder overlaps the main window's right edge by this much.
constexpr int kDockOffset = 5;
// RecorderLibrary::showDlgHide's commands.
constexpr int kHide = 0;
constexpr int kAsTheUserLeftIt = -1;
} // namespace

RecorderDock::RecorderDock(QWidget &host, CardSession &session) : host_(host), session_(session)
{
    host_.installEventFilter(this);
    connect(&session_, &CardSession::changed, this, [this](CardSession::Changes what) {
        if (what & CardSession::Card)
            cardChanged();
    });
}

bool RecorderDock::isPresent(const std::filesystem::path &programFolder)
{
    std::error_code error;
    return std::filesystem::is_regular_file(programFolder / kFileName, error);
}

bool RecorderDock::load(const std::filesystem::path &programFolder)
{
    return library_.load((programFolder / kFileName).string());
}

bool RecorderDock::toggle()
{
    const QPoint rightTop = host_.mapToGlobal(QPoint(host_.width(), 0));
    // The recorder makes its window itself; adopted, it belongs to the main
    // window, which a compositor then places, stacks and minimises with it.
    const WindowAdoption adoption(&host_);
    const bool shown = library_.openDlg(rightTop.x(), rightTop.y(), kWidth, kHeight) != 0;
    follow(adoption.adopted());
    emit shownChanged(shown);
    return shown;
}

// The library makes its window at the first open and keeps it; from then on
// its own show and hide events tell whether it shows.
void RecorderDock::follow(QWidget *recorder)
{
    if (!recorder || recorder == recorder_)
        return;
    recorder_ = recorder;
    recorder_->installEventFilter(this);
}

// Only shows and hides the program asked for: a window minimised by the window
// system is still open.
bool RecorderDock::recorderEvent(QEvent *event)
{
    if (!event->spontaneous() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        emit shownChanged(event->type() == QEvent::Show);
    return false;
}

void RecorderDock::endTake()
{
    library_.deviceRemoved();
}

void RecorderDock::cardChanged()
{
    if (isConnected(session_.cardState()))
        return;
    library_.deviceRemoved();
    library_.showDlgHide(kHide);
}

bool RecorderDock::eventFilter(QObject *watched, QEvent *event)
{
    if (recorder_ && watched == recorder_)
        return recorderEvent(event);
    if (watched != &host_)
        return false;
    switch (event->type()) {
    case QEvent::Move: {
        const QPoint client = host_.mapToGlobal(QPoint(0, 0));
        library_.setDlgPos(client.x() + host_.width() - kDockOffset, client.y());
        break;
    }
    case QEvent::Show:
        library_.showDlgHide(kAsTheUserLeftIt);
        break;
    case QEvent::Hide:
        library_.showDlgHide(kHide);
        break;
    case QEvent::WindowStateChange: {
        const auto *change = static_cast<QWindowStateChangeEvent *>(event);
        if (host_.isMinimized())
            library_.showDlgHide(kHide);
        else if ((change->oldState() & Qt::WindowMinimized) && host_.isVisible())
            library_.showDlgHide(kAsTheUserLeftIt);
        break;
    }
    default:
        break;
    }
    return false;
}
