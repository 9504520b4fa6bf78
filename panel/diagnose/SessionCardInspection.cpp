// SPDX-License-Identifier: GPL-3.0-or-later
#include "SessionCardInspection.h"

#include "CardFrame.h"
#include "HidCardSession.h"

#include <cerrno>

void SessionCardInspection::inspect(HidCardSession &session, Done done)
{
    CardLink::Result result;
    result.libraryPath = QString::fromStdString(session.libraryPath().string());
    const HidControlLibrary &library = session.library();
    result.interfaces = CardLink::interfacesOf(library);
    switch (session.cardState()) {
    case CardState::NoLibrary:
        result.libraryError = QString::fromStdString(library.loadError());
        done(result);
        return;
    case CardState::AccessDenied:
        result.open = CardLink::Open::Denied;
        result.openError = library.lastOpenError().value_or(EACCES);
        done(result);
        return;
    case CardState::Absent:
        result.openError = library.lastOpenError().value_or(ENOENT);
        result.open = CardLink::openResultFor(result.openError);
        done(result);
        return;
    case CardState::Opening:
    case CardState::NotAnswering:
    case CardState::Ready:
        break;
    }
    result.open = CardLink::Open::Opened;
    session.readBlockOnce(
        [result, done = std::move(done)](const CardChannel::Sample &sample) mutable {
            result.stateRead = CardLink::StateRead::of(
                CardFrame::readRequest(CardFrame::kParameterReadIndex).outputReport(),
                sample.answer, sample.roundTrip);
            done(result);
        });
}
