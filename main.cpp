// Zentavo: starts the one instance of the appointment book and shows its window.
#include "book/appointmentfile.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/executable.h"
#include "platform/look.h"
#include "platform/notifications.h"
#include "platform/printer.h"
#include "platform/singleinstance.h"
#include "splash/form2.h"
#include "window/form1.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Qt ends the process with a fatal message, after a few warnings, when it finds no display.
// While the application starts, its messages are held back; if the start fails, one line
// that says what is wrong takes their place.
std::vector<std::pair<QtMsgType, QString>> g_heldMessages;

void HoldMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fputs("zentavo: cannot open a window here; Zentavo needs a graphical desktop "
                   "(is DISPLAY set?)\n",
                   stderr);
        std::_Exit(EXIT_FAILURE);
    }
    g_heldMessages.emplace_back(type, message);
}

std::unique_ptr<QApplication> StartApplication(int &argc, char **argv)
{
    const QtMessageHandler previous = qInstallMessageHandler(HoldMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const auto &[type, message] : std::exchange(g_heldMessages, {}))
        previous(type, QMessageLogContext(), message);
    return app;
}

} // namespace

int main(int argc, char **argv)
{
    const std::unique_ptr<QApplication> app = StartApplication(argc, argv);
    QApplication::setApplicationName(platform::AppName());

    // The data file and the lock belong to the folder of the executable.
    const QString folder = platform::ExecutableDir();
    const platform::SingleInstance instance(folder);
    if (!instance.acquired())
        return EXIT_SUCCESS; // another instance runs: end silently

    // Message boxes take the application's font.
    QFont font(u"Arial"_s);
    font.setPointSizeF(9.75);
    QApplication::setFont(font);

    const platform::SystemClock clock;
    platform::MessageBoxes dialogs;
    platform::SystemPrinters printers;
    const auto showSplash = [] {
        Form2 splash;
        splash.exec();
    };
    platform::Notifications notifications(QDBusConnection::sessionBus());
    form1 window({QDir(folder).filePath(book::DataFileName.toString()), &clock, &dialogs, &printers,
                  showSplash, &notifications});
    window.Form_Load();
    window.show();
    return app->exec();
}
