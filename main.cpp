// Zentavo: starts the one instance of the appointment book and shows its window; or, given an
// option, exchanges the book with other calendars on the command line, without a window.
#include "book/appointmentfile.h"
#include "ical/exchange.h"
#include "platform/executable.h"
#include "platform/instancechannel.h"
#include "platform/look.h"
#include "platform/memory.h"
#include "platform/messageboxes.h"
#include "platform/minuteturns.h"
#include "platform/notifications.h"
#include "platform/passwordstore.h"
#include "platform/singleinstance.h"
#include "platform/systemclock.h"
#include "platform/systemprinters.h"
#include "platform/terminal.h"
#include "splash/form2.h"
#include "sync/synccommand.h"
#include "sync/syncsetup.h"
#include "window/form1.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDir>
#include <QTextStream>
#include <QTimer>

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

// The options, and the calendar files that the window is asked to open.
struct Options
{
    const QCommandLineOption exportTo{u"export"_s,
                                      u"Writes every appointment to FILE as iCalendar (- for "
                                      u"standard output)."_s,
                                      u"FILE"_s};
    const QCommandLineOption import{u"import"_s,
                                    u"Adds the appointments of the iCalendar files given (- for "
                                    u"standard input), and says what it added and what it left "
                                    u"out."_s};
    const QCommandLineOption syncWith{u"sync-with"_s,
                                      u"Syncs the book with the CalDAV calendar at URL from now "
                                      u"on: a calendar, or the address of a server or account, "
                                      u"where the calendar is found (or made)."_s,
                                      u"URL"_s};
    const QCommandLineOption user{u"user"_s, u"The user name for --sync-with."_s, u"NAME"_s};
    const QCommandLineOption passwordStdin{u"password-stdin"_s,
                                           u"Reads the password for --sync-with or --sync "
                                           u"from standard input rather than asking for it on "
                                           u"the terminal."_s};
    const QCommandLineOption sync{u"sync"_s,
                                  u"Syncs once with the server set up, and says what it did."_s};
    const QCommandLineOption yes{u"yes"_s, u"Lets --sync empty a side, or remove more than half "
                                           u"of its appointments."_s};
    const QCommandLineOption syncOff{u"sync-off"_s, u"Stops syncing; deletes nothing on either "
                                                    u"side."_s};
    QCommandLineOption help{QStringList{u"h"_s, u"help"_s}, u"Shows this help."_s};
    QCommandLineOption version{QStringList{u"v"_s, u"version"_s}, u"Shows the version."_s};
    QCommandLineParser parser;

    Options()
    {
        parser.setApplicationDescription(
            u"Zentavo, a small appointment book. Without an option it shows the window, and "
            u"offers to import the iCalendar files given."_s);
        parser.addOptions(
            {exportTo, import, syncWith, user, passwordStdin, sync, yes, syncOff, help, version});
        parser.addPositionalArgument(u"files"_s, u"iCalendar (.ics) files to import."_s,
                                     u"[files...]"_s);
    }
    // Whether the arguments ask for the command line's work rather than the window: any
    // option but those Qt takes for every window (-platform, -style, -session ...), so that a
    // wrong one is said without a display too.
    static bool AskCommand(int argc, char **argv)
    {
        static const QByteArrayList windowOptions{"platform",
                                                  "platformpluginpath",
                                                  "platformtheme",
                                                  "plugin",
                                                  "qwindowgeometry",
                                                  "qwindowicon",
                                                  "qwindowtitle",
                                                  "reverse",
                                                  "session",
                                                  "display",
                                                  "geometry",
                                                  "style",
                                                  "stylesheet",
                                                  "widgetcount",
                                                  "name",
                                                  "title",
                                                  "visual",
                                                  "ncols",
                                                  "cmap",
                                                  "nograb",
                                                  "dograb",
                                                  "sync",
                                                  "fn",
                                                  "font",
                                                  "bg",
                                                  "background",
                                                  "fg",
                                                  "foreground",
                                                  "btn",
                                                  "button",
                                                  "im",
                                                  "inputstyle",
                                                  "testability"};
        for (int i = 1; i < argc; ++i) {
            const QByteArray argument(argv[i]);
            if (argument.size() < 2 || argument[0] != '-')
                continue; // a file, or "-"
            const QByteArray name =
                argument.sliced(argument.startsWith("--") ? 2 : 1).split('=').constFirst();
            // "-sync" is X11's, "--sync" this program's.
            if (!windowOptions.contains(name) || argument == "--sync")
                return true;
            if (!argument.contains('=') && name != "reverse" && name != "sync" &&
                name != "nograb" && name != "dograb" && name != "widgetcount")
                ++i; // its value
        }
        return false;
    }
    // Reads the arguments; false, having said why, for a wrong one.
    bool parse(const QStringList &arguments)
    {
        if (parser.parse(arguments))
            return true;
        std::fprintf(stderr, "zentavo: %s\nTry 'zentavo --help'.\n",
                     qPrintable(parser.errorText()));
        return false;
    }
};

QString BookPath()
{
    // The data file lies in the folder of the executable.
    return QDir(platform::ExecutableDir()).filePath(book::DataFileName.toString());
}

// The sync from the command line, its passwords from standard input, the terminal and the
// keyring.
int RunSync(Options &options, const QString &bookPath, QTextStream &out, QTextStream &err)
{
    QCommandLineParser &parser = options.parser;
    caldav::Passwords passwords;
    if (parser.isSet(options.passwordStdin))
        passwords.given = platform::ReadPasswordLine(stdin);
    passwords.ask = [] { return platform::AskPassword(u"Password: "_s); };
    passwords.stored = [bookPath](const caldav::Account &account) {
        QString password;
        platform::PasswordStore::ReadNow(caldav::PasswordKey(account, bookPath), &password);
        return password;
    };
    passwords.keep = [bookPath](const caldav::Account &account, const QString &password,
                                QString *error) {
        return platform::PasswordStore::WriteNow(caldav::PasswordKey(account, bookPath), password,
                                                 error);
    };
    passwords.forget = [bookPath](const caldav::Account &account) {
        platform::PasswordStore::RemoveNow(caldav::PasswordKey(account, bookPath));
    };
    if (parser.isSet(options.syncOff))
        return caldav::SyncOffCommand(bookPath, passwords, out, err);
    if (parser.isSet(options.sync))
        return caldav::SyncCommand(bookPath, parser.isSet(options.yes), passwords, out, err);
    const QString given = parser.value(options.syncWith);
    const QUrl url = caldav::AddressFromUser(given);
    if (!url.isValid()) {
        err << "zentavo: " << given << " is no http or https address";
        if (!url.errorString().isEmpty())
            err << " (" << url.errorString().section(u';', 0, 0) << ")";
        err << Qt::endl;
        return 2;
    }
    return caldav::SyncWithCommand(bookPath, {url, parser.value(options.user), {}}, passwords, out,
                                   err);
}

// The command line's work, without a window: 0 when done, 1 when a file or the book fails, 2
// for a wrong option.
int RunCommand(Options &options, int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"zentavo"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZENTAVO_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser &parser = options.parser;
    if (parser.isSet(options.help)) {
        out << parser.helpText();
        return 0;
    }
    if (parser.isSet(options.version)) {
        out << "zentavo " << QCoreApplication::applicationVersion() << Qt::endl;
        return 0;
    }
    const auto wrong = [&err](const char *what) {
        err << "zentavo: " << what << "\nTry 'zentavo --help'." << Qt::endl;
        return 2;
    };
    if (parser.isSet(options.exportTo) && parser.isSet(options.import))
        return wrong("give --export FILE or --import FILE..., not both");
    if (parser.isSet(options.exportTo) && !parser.positionalArguments().isEmpty())
        return wrong("--export takes one FILE");
    if (parser.isSet(options.import) && parser.positionalArguments().isEmpty())
        return wrong("--import needs the iCalendar files to import (- for standard input)");
    const int syncs =
        parser.isSet(options.syncWith) + parser.isSet(options.sync) + parser.isSet(options.syncOff);
    if (syncs > 1 || (syncs && (parser.isSet(options.exportTo) || parser.isSet(options.import))))
        return wrong("give one of --sync-with, --sync, --sync-off, --export and --import");
    if (!parser.isSet(options.syncWith) && parser.isSet(options.user))
        return wrong("--user goes with --sync-with");
    if (!parser.isSet(options.sync) && parser.isSet(options.yes))
        return wrong("--yes goes with --sync");
    if (!parser.isSet(options.syncWith) && !parser.isSet(options.sync) &&
        parser.isSet(options.passwordStdin))
        return wrong("--password-stdin goes with --sync-with or --sync");
    if (syncs && !parser.positionalArguments().isEmpty())
        return wrong("--sync-with, --sync and --sync-off take no files");
    const QString bookPath = BookPath();
    book::RecoverAppointmentFile(bookPath);
    if (syncs)
        return RunSync(options, bookPath, out, err);
    if (parser.isSet(options.exportTo))
        return ical::ExportBookTo(bookPath, parser.value(options.exportTo), out, err);
    return ical::ImportFilesInto(bookPath, parser.positionalArguments(), QDate::currentDate(), out,
                                 err);
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (Options::AskCommand(argc, argv)) {
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        return options.parse(arguments) ? RunCommand(options, argc, argv) : 2;
    }

    platform::KeepLargeBlocks();
    const std::unique_ptr<QApplication> app = StartApplication(argc, argv);
    QApplication::setApplicationName(platform::AppName());
    if (!options.parse(QApplication::arguments())) // what Qt's own options left
        return 2;

    // One instance runs on the book at a time: a second start hands its files to the first,
    // which comes to the front, and ends.
    const QString bookPath = BookPath();
    const QStringList files = options.parser.positionalArguments();
    const platform::SingleInstance instance(bookPath);
    if (!instance.acquired()) {
        // A window that runs but does not answer (it hangs, or runs in another session) cannot
        // be given the files: that is said, as the user waits for them.
        if (!platform::InstanceChannel::tellRunning(bookPath, files) && !files.isEmpty()) {
            std::fprintf(stderr, "zentavo: Zentavo runs already and did not take the files\n");
            return EXIT_FAILURE;
        }
        return EXIT_SUCCESS;
    }
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
    platform::InstanceChannel channel(bookPath);
    QObject::connect(&channel, &platform::InstanceChannel::opened, &window, &form1::openCalendars);
    window.Form_Load();
    window.show();
    if (!files.isEmpty())
        QTimer::singleShot(0, &window, [&window, files] { window.openCalendars(files); });
    return app->exec();
}
