#include "CVarnelApp.h"

#include "CVarnelDlg.h"
#include "ProgramFolder.h"
#include "PulseAudioDefaults.h"
#include "PulseSoundPlayer.h"
#include "SingleInstance.h"
#include "UdevDeviceNotifier.h"

#include <QApplication>

namespace {
const QString kInstanceName = QStringLiteral("vekCtrl");
}

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

int CVarnelApp::run(int argc, char **argv)
{
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("Orlenta"));
    // Lets Wayland desktops match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orlenta.Orlenta"));
    application.setQuitOnLastWindowClosed(false);
    language_ = chooseLanguage(QLocale::system());
    QLocale::setDefault(language_.uiLanguage);

    SingleInstance instance(kInstanceName);
    if (instance.notifyRunningCopy())
        return 0;

    UdevDeviceNotifier notifier;
    PulseAudioDefaults audioDefaults;
    PulseSoundPlayer player;
    PanelEnvironment environment;
    environment.programFolder = ProgramFolder::path();
    environment.settingsFolder = ProgramFolder::writablePath();
    environment.notifier = &notifier;
    environment.audioDefaults = &audioDefaults;
    environment.player = &player;

    CVarnelDlg dialog(environment);
    instance.listen([&dialog] { dialog.bringToFront(); });
    if (!dialog.initialise())
        return 0;
    QObject::connect(&dialog, &QDialog::finished, &application, &QCoreApplication::quit);
    dialog.show();
    return application.exec();
}
