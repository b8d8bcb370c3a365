// Zentavo: starts the one instance of the appointment book and shows its window.
#include "book/appointmentfile.h"
#include "platform/executable.h"
#include "platform/look.h"
#include "platform/memory.h"
#include "platform/messageboxes.h"
#include "platform/minuteturns.h"
#include "platform/notifications.h"
#include "platform/singleinstance.h"
#include "platform/systemclock.h"
#include "platform/systemprinters.h"
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
    platform::KeepLargeBlocks();
    const std::unique_ptr<QApplication> app = StartApplication(argc, argv);
    QApplication::setApplicationName(platform::AppName());

    // The data file lies in the folder of the executable; one instance runs on it at a time.
    const QString bookPath =
        QDir(platform::ExecutableDir()).filePath(book::DataFileName.toString());
    const platform::SingleInstance instance(bookPath);
    if (!instance.acquired())
        return EXIT_SUCCESS; // another instance runs: end silently
    // A writer killed in the middle of a change left its recovery copy and temporaries.
    book::RecoverAppointmentFile(bookPath);

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
    platform::MinuteTurns minuteTurns;
    form1 window({bookPath, &clock, &dialogs, &printers, showSplash, &notifications, &minuteTurns});
    window.Form_Load();
    window.show();
    return app->exec();
}
