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
const QByteArray kShowRequest = "show";

// "show", with the activation token the desktop gave this start when there is
// one, so the running copy may take the focus on Wayland.
QByteArray showRequest()
{
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN").trimmed();
    if (token.isEmpty() || token.contains('\n'))
        return kShowRequest;
    return kShowRequest + ' ' + token;
}

QByteArray answer(CVarnelDlg &dialog, const QByteArray &request)
{
    if (request == kShowRequest || request.startsWith(kShowRequest + ' '))
        dialog.bringToFront(QString::fromUtf8(request.mid(kShowRequest.size() + 1)));
    return {};
}

} // namespace

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
    if (!instance.claim()) {
        instance.ask(showRequest());
        return 0;
    }

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
    instance.listen([&dialog](const QByteArray &request) { return answer(dialog, request); });
    if (!dialog.initialise())
        return 0;
    // Leaves the main loop whatever windows are still open. An exit chosen
    // before the loop runs (from an event loop of its own, such as a message
    // box's) would be lost on the loop, so it is looked at once more here.
    QObject::connect(&dialog, &QDialog::finished, &application, [] { QCoreApplication::exit(0); });
    dialog.show();
    if (dialog.isEnding())
        return 0;
    return application.exec();
}
