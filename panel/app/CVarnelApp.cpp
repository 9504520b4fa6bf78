// SPDX-License-Identifier: GPL-3.0-or-later
#include "CVarnelApp.h"

#include "AfterFirstPaint.h"
#include "AutostartEntry.h"
#include "CommandDispatcher.h"
#include "CommandRunner.h"
#include "PanelBusService.h"
#include "PanelProgram.h"
#include "ProgramFolder.h"
#include "PulseAudioDefaults.h"
#include "PulseSoundPlayer.h"
#include "SessionCardInspection.h"
#include "SingleInstance.h"
#include "UdevDeviceNotifier.h"
#include "WatchSubscriptions.h"

#include <QApplication>

CVarnelApp::LanguageFlags CVarnelApp::chooseLanguage(const QLocale &system)
{
    LanguageFlags flags;
    const QLocale simplified(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
    const QLocale traditional(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan);
    flags.chineseSystem =
        system.language() == QLocale::Chinese && system.territory() == QLocale::China;
    flags.uiLanguage = system;
    if (!flags.chineseSystem) {
        flags.uiLanguage = traditional;
        const bool taiwan =
            system.language() == QLocale::Chinese && system.territory() == QLocale::Taiwan;
        if (!taiwan)
            flags.uiLanguage = QLocale(QLocale::English, QLocale::UnitedStates);
    }
    flags.englishText = true;
    return flags;
}

int CVarnelApp::run(int argc, char **argv, bool hidden)
{
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Orlenta"));
    // Lets Wayland desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orlenta.Orlenta"));
    application.setQuitOnLastWindowClosed(false);
    language_ = chooseLanguage(QLocale::system());
    QLocale::setDefault(language_.uiLanguage);

    SingleInstance instance(QString::fromLatin1(CommandRunner::kInstanceName));
    if (!instance.claim()) {
        // A hidden start (at login) leaves a running copy as it is. Any other
        // brings its window up, with the activation token the desktop gave
        // this start, so the running copy may take the focus on Wayland.
        if (!hidden) {
            const CommandLine show = CommandLine::show(CommandRunner::activationToken());
            instance.ask(QByteArray::fromStdString(show.requestLine()));
        }
        return 0;
    }

    UdevDeviceNotifier notifier;
    PulseAudioDefaults audioDefaults;
    PulseSoundPlayer player;
    PanelEnvironment environment;
    environment.programFolder = ProgramFolder::path();
    environment.settingsFolder = ProgramFolder::writablePath();
    environment.autostartFolder = AutostartEntry::userFolder();
    environment.notifier = &notifier;
    environment.audioDefaults = &audioDefaults;
    environment.player = &player;

    PanelProgram panel(environment);
    // Ends before the panel: a change still waiting is answered while the
    // panel is whole.
    CommandDispatcher dispatcher(panel.session(), &panel.visibility());
    dispatcher.setCardInspection([&panel](CommandDispatcher::EncodedReply answer) {
        SessionCardInspection::inspect(
            panel.session(), [answer](const CardLink::Result &result) { answer(result.encode()); });
    });
    WatchSubscriptions watchers(panel.session());
    instance.listen([&dispatcher, &watchers](const QByteArray &request, InstanceClient client) {
        if (!watchers.subscribe(request, client))
            dispatcher.handleRequest(request,
                                     [client](const QByteArray &answer) { client.reply(answer); });
    });
    PanelBusService bus(panel.session(), dispatcher);
    if (!panel.initialise())
        return 0;
    // Leaves the main loop whatever windows are still open. An exit chosen
    // before the loop runs (from an event loop of its own, such as a message
    // box's) would be lost on the loop, so it is looked at once more here.
    QObject::connect(&panel.window(), &QDialog::finished, &application,
                     [] { QCoreApplication::exit(0); });
    panel.showAtStart(hidden);
    // Only this, the one running copy, offers the panel on the session bus;
    // once the window is up, since the bus may take a while to answer.
    AfterFirstPaint::run(panel.window(), [&bus] { bus.publish(QDBusConnection::sessionBus()); });
    if (panel.isEnding())
        return 0;
    return application.exec();
}
