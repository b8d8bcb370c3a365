#!/usr/bin/env python3
"""Journeys through the real zentavo program as a person makes them, on an X server (Xvfb), with
xdotool, faketime, a print server (cupsd, as whoever runs this) and a session bus of the run's own.
Usage: run_e2e.py [--keep] PATH/TO/zentavo [JOURNEY ...]
--keep keeps the run's folders, logs and screenshots, as a failing run always does."""
import collections, hashlib, os, pathlib, pwd, re, shutil, signal, subprocess, sys, tempfile, time

MAIN, BOX, RULE = '^Appointments Zentavo$', '^Zentavo$', '_' * 62
KEYS = ('Tab', 'shift+Tab', 'Return', 'Escape', 'Down', 'F6', 'ctrl+z')
# Centres of the controls, in pixels from the top-left corner of their window.
AT = {'Print': (48, 26), 'New': (224, 26), 'Del': (280, 26), 'msb': (352, 25), 'agenda': (250, 76),
      'Save': (431, 194), 'DeleteAll': (245, 243), 'SplashX': (18, 18)}
# cupsd writes to a file: device only through a filter, and a queue without a driver has none.
# What Qt sends is already a PDF, so the one filter is gziptoany, which passes it on unchanged.
PPD = ('*PPD-Adobe: "4.3"\n*cupsFilter: "application/pdf 0 gziptoany"\n'
       '*OpenUI *PageSize: PickOne\n*DefaultPageSize: A4\n*PageSize A4: ""\n*CloseUI: *PageSize\n')
STARTED = []  # every process of the run, each in a session of its own
ENV = {k: v for k, v in os.environ.items() if k not in ('LPDEST', 'PRINTER')}
WORK = pathlib.Path(tempfile.mkdtemp(prefix='zentavo-e2e-'))
PDF = WORK / 'printed.pdf'
Window = collections.namedtuple('Window', 'x y width height')

def check(condition, message):
    if not condition:
        raise AssertionError(message)

def wait_for(predicate, failure, timeout=20.0):
    """predicate's first true value; failure is the message, or a function making it then."""
    deadline = time.monotonic() + timeout
    while not (value := predicate()):
        if time.monotonic() > deadline:
            raise AssertionError(failure() if callable(failure) else failure)
        time.sleep(0.1)
    return value

def start(command, log=os.devnull, **options):
    with open(log, 'wb') as output:
        STARTED.append(subprocess.Popen(command, stdout=output, stderr=subprocess.STDOUT,
                                        start_new_session=True, **options))
    STARTED[-1].began = time.time() - 1  # a file's time may lag the clock a little
    return STARTED[-1]

def stop(process, sig=signal.SIGKILL):
    if process.poll() is None:
        os.killpg(process.pid, sig)
        process.wait(timeout=20)
    # libfaketime leaves its shared memory behind, named by the process; ours is not older.
    for leftover in pathlib.Path('/dev/shm').glob(f'*faketime_s??_{process.pid}'):
        if leftover.stat().st_mtime > getattr(process, 'began', time.time()):  # servers have none
            leftover.unlink()

def tool(*command):
    return subprocess.run(command, env=ENV, capture_output=True, text=True).stdout

def start_desktop():
    # -noreset: the server must not restart each time its last client goes.
    STARTED.append(subprocess.Popen(['Xvfb', '-displayfd', '1', '-noreset', '-screen', '0',
                                     '1024x768x24', '-nolisten', 'tcp'], stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL, start_new_session=True, text=True))
    (cups := WORK / 'cups').mkdir()
    ENV.update(DISPLAY=':' + STARTED[-1].stdout.readline().strip(), QT_QPA_PLATFORM='xcb',
               CUPS_SERVER=f'{cups}/sock')
    # A session bus of the run's own: reminders never reach the desktop of whoever runs this.
    bus = pathlib.Path(__file__).parent.parent / 'data' / 'bus' / 'session.conf'  # starts nothing
    STARTED.append(subprocess.Popen(['dbus-daemon', f'--config-file={bus}', '--nofork', '--print-address'],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                    start_new_session=True, text=True))
    ENV['DBUS_SESSION_BUS_ADDRESS'] = STARTED[-1].stdout.readline().strip()
    # Nothing of the print server lies outside its folder, and it is the run's own: whoever
    # reaches its socket may administer it.
    (cups / 'file.ppd').write_text(PPD)
    (cups / 'cupsd.conf').write_text(f'Listen {cups}/sock\nBrowsing Off\n<Policy default>\n'
                                     '<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n')
    (cups / 'files.conf').write_text(
        f'FileDevice Yes\nServerRoot {cups}\nStateDir {cups}\nCacheDir {cups}\nRequestRoot '
        f'{cups}/spool\nPrintcap {cups}/printcap\nErrorLog stderr\nAccessLog stderr\n'
        'PageLog stderr\n')
    start(['/usr/sbin/cupsd', '-f', '-c', cups / 'cupsd.conf', '-s', cups / 'files.conf'],
          cups / 'log')
    wait_for(lambda: 'is running' in tool('lpstat', '-r'), 'the print server did not start')
    # A scheduler that has just started, on a busy machine, may still turn a request away.
    for command in (['-p', 'file', '-v', f'file://{PDF}', '-P', cups / 'file.ppd', '-E'],
                    ['-d', 'file']):
        wait_for(lambda: not subprocess.run(['/usr/sbin/lpadmin', *command], env=ENV,
                                            capture_output=True).returncode, f'lpadmin {command}')

def windows(name='.*'):
    shell = tool('xdotool', 'search', '--onlyvisible', '--name', name, 'getwindowgeometry',
                 '--shell', '%@')
    found = re.findall(r'X=(\d+)\nY=(\d+)\nWIDTH=(\d+)\nHEIGHT=(\d+)', shell)
    return [w for w in (Window(*map(int, f)) for f in found) if 10 < w.width < 1024]  # nor root

def screenshot(name):
    tool('import', '-window', 'root', WORK / name)
    spread = tool('convert', WORK / name, '-format', '%[fx:standard_deviation]', 'info:')
    check(float(spread or 0) > 0.01, f'{name} is blank')

class App:
    """A start of the program from a folder of WORK (made, if new, with a copy of the program)."""
    def __init__(self, name, data=None, when='2026-12-07 10:00:00', user=None, wait=True,
                 runtime=None, env=None, arguments=()):
        """runtime: the session's runtime folder, WORK/NAME-runtime unless given; '' for none.
        arguments: what the program is started with, as a file manager's "Open with" gives."""
        self.folder = WORK / name
        if runtime is None:
            runtime = WORK / f'{name}-runtime'
        if not self.folder.exists():
            self.folder.mkdir()
            shutil.copy2(WORK / 'zentavo', self.folder)
        if runtime and not runtime.exists():
            runtime.mkdir(mode=0o700)
        if data is not None:
            (self.folder / 'ganctl.ngb').write_bytes(data)
        # libfaketime without its wrapper, whose semaphores, named by its process, stay behind
        # when it is killed and keep a later process of that number from starting. Loaded after
        # setpriv, its shared memory belongs to the user the program runs as.
        command = ['env', 'LD_PRELOAD=/usr/$LIB/faketime/libfaketime.so.1', f'FAKETIME=@{when}',
                   './zentavo', *arguments]
        if user is not None and runtime:
            os.chown(runtime, user, user)
            command = ['setpriv', f'--reuid={user}', f'--regid={user}', '--clear-groups', *command]
        self.log = WORK / f'{name}-{len(STARTED)}.log'
        env = {**{k: v for k, v in ENV.items() if k != 'XDG_RUNTIME_DIR'}, **(env or {})}
        if runtime:
            env['XDG_RUNTIME_DIR'] = str(runtime)
        self.process = start(command, self.log, cwd=self.folder, env=env)
        self.window = self.main_window() if wait else None

    def main_window(self):
        found = wait_for(lambda: windows(MAIN), lambda: (
            f'no main window (exit status {self.process.poll()}); the program said '
            f'{self.log.read_text(errors="replace")[-500:]!r}'), 30)
        check(len(found) == 1, f'{len(found)} main windows')
        self.origin = found[0]
        return found[0]

    def do(self, *steps):
        """Clicks each control of AT, presses each key of KEYS and types any other text."""
        for step in steps:
            if step in AT:
                x, y = self.origin.x + AT[step][0], self.origin.y + AT[step][1]
                tool('xdotool', 'mousemove', str(x), str(y), 'click', '1')
            else:
                tool('xdotool', *(['key'] if step in KEYS else ['type', '--delay', '30']), step)
            time.sleep(0.3)

    def answer(self, key):
        wait_for(lambda: windows(BOX), 'no message box came')
        tool('xdotool', 'key', key)
        wait_for(lambda: not windows(BOX), 'the message box stayed')

    def holds(self, expected):
        """Waits a while for the data file to hold the bytes expected (None: to be missing)."""
        file = self.folder / 'ganctl.ngb'
        read = lambda: file.read_bytes() if file.exists() else None
        wait_for(lambda: read() == expected, lambda: f'the data file holds {read()!r}', 10)

    def prints(self, *expected, pages=1):
        """Prints, and reads the pages back; a line wider than a page may go on over several."""
        PDF.unlink(missing_ok=True)
        self.do('Print')
        # The job's file is read again until it is whole; a wrong one is told as it ended.
        lines = lambda: [line.strip() for line in tool('pdftotext', '-layout', PDF, '-')
                         .splitlines() if line.strip()]
        printed = lambda: (lines()[:len(expected) - 1] + [' '.join(lines()[len(expected) - 1:])],
                           re.findall(r'Pages: +(\d+)', tool('pdfinfo', PDF)))
        wait_for(lambda: printed() == (list(expected), [str(pages)]),
                 lambda: f'printed {printed()}', 30)

def first_use():  # a first start without data file; an appointment saved; its day printed
    app = App('first_use')
    check(app.window[2:] == (491, 269) and windows() == [app.window], f'windows: {windows()}')
    screenshot('first-start.png')
    app.holds(None)  # reading creates no file
    # The frequency as a person may type it; Tab goes on to Save, and Enter presses it.
    app.do('New', 'weekly', 'Tab', '1030', 'Tab', '05122026', 'Tab', 'Dentist', 'Tab', 'Return')
    app.holds(b'*Weekly^05/12/2026 10:30 Dentist\r\n')
    # The date box is left and entered again, so that what is typed replaces the date. A date
    # typed there without Enter is not shown, and the heading names the day shown.
    app.do('msb', '12122026', 'Return', 'agenda', 'msb', '13122026')
    app.prints('Appointments on: 12/12/2026', RULE, '10:30 Dentist')

def deleting():  # Del. of the chosen appointment only; Delete all answered No, then Yes
    # The same text on another date is another appointment, and stays.
    kept = b'*Once^07/12/2026 09:00 Dentist\r\n*Once^08/12/2026 08:00 Team\r\n'
    walk = b'*Daily^01/01/2020 07:00 Walk\r\n'
    app = App('deleting', kept + b'*Weekly^30/11/2026 08:00 Team\r\n' + walk)
    app.do('agenda', 'Down', 'Del')  # from the first entry, 07:00 Walk, to 08:00 Team
    app.holds(b'\r\n' + kept + walk)  # a rewrite begins with an empty line
    app.do('DeleteAll')
    app.answer('Escape')  # No
    app.holds(b'\r\n' + kept + walk)
    app.do('DeleteAll')
    app.answer('Return')  # Yes, the default
    app.holds(b'')
    app.prints('Appointments on: 07/12/2026', RULE)

def long_agenda():  # more entries than a page holds, and one wider than the page
    entries = [f'{8 + i // 6:02}:{i % 6}0 Entry {i}' for i in range(70)]
    entries += ['23:59 ' + ' '.join(['a long appointment text'] * 20)]
    app = App('long_agenda', ''.join(f'*Once^07/12/2026 {e} Zoë\r\n' for e in entries).encode())
    app.prints('Appointments on: 07/12/2026', RULE, *(e + ' Zoë' for e in entries), pages=2)

def splash_on_the_fifth():  # the splash alone and centred, then the main window once closed
    app = App('splash', when='2026-12-05 09:00:00', wait=False)
    splash = lambda: [w for w in windows() if w[2:] == (685, 361)]
    app.origin = wait_for(splash, 'no splash came', 30)[0]
    time.sleep(0.5)
    check(windows() == [Window(169, 203, 685, 361)], f'not the splash alone, centred: {windows()}')
    screenshot('splash.png')
    app.do('SplashX')
    app.main_window()
    check(not splash(), 'the splash stayed')

def reminder_comes():  # the 10:30 reminder comes on time under a fast clock, as a notification only
    start([WORK / 'tst_window', '--notifications', 'service'], calls := WORK / 'calls', env=ENV)
    wait_for(lambda: calls.read_text().startswith('ready'), 'no notification service came')
    began = time.monotonic()
    App('reminder', b'*Once^06/12/2026 10:30 Standup\r\n', '2026-12-06 10:29:30 x10')
    wait_for(lambda: len(calls.read_text().splitlines()) > 1, 'no reminder came', 30)
    took = time.monotonic() - began
    time.sleep(2)  # 20 s of the program's time, for a window or a second notification too
    # 10:30 comes 3 s after the start; a reminder a minute late would come after 9 s.
    notified = calls.read_text().splitlines()[1:]  # the arguments are the window tests' concern
    check(2.5 < took < 8 and len(notified) == 1 and '"10:30 Standup"' in notified[0] and
          not windows(BOX), f'after {took:.1f} s: notified {notified}, windows {windows(BOX)}')

def one_instance():  # a second start ends at once and silently, as does one of two together
    first = App('one_instance')
    began, status = time.monotonic(), App('one_instance', wait=False).process.wait(timeout=20)
    check((status, len(windows(MAIN))) == (0, 1) and time.monotonic() - began < 5,
          f'a second start: exit {status} after {time.monotonic() - began:.1f} s, {windows(MAIN)}')
    stop(first.process)  # killed, so its lock stays behind: it must not keep the next ones out
    for name in ['one_instance'] + [f'together-{attempt}' for attempt in range(7)]:
        wait_for(lambda: not windows(MAIN), 'the last window stayed')
        pair = [App(name, wait=False).process, App(name, wait=False).process]
        # One goes on with its window; the other ends, and well. Twice, to see that it lasts.
        state = lambda: (sorted(str(p.poll()) for p in pair), len(windows(MAIN)))
        for timeout in (20, 0):
            time.sleep(0.3)
            wait_for(lambda: state() == (['0', 'None'], 1), lambda: f'two starts: {state()}', timeout)
        for process in pair:
            stop(process)

def one_book():  # one window on a book whatever the session; nobody else keeps it from starting
    first = App('one_book')
    # Another login, su or cron: a runtime folder of its own, and the same book.
    other = App('one_book', wait=False, runtime=WORK / 'one_book-elsewhere').process
    status = other.wait(timeout=20)
    check((status, len(windows(MAIN))) == (0, 1), f'a start from another session: exit {status}, '
          f'{len(windows(MAIN))} main windows')
    stop(first.process)
    wait_for(lambda: not windows(MAIN), 'the window stayed')
    # A file that another user holds locked in the shared temporary folder, under the name a
    # lock of the program's folder would have there, keeps no start out.
    folder = str((WORK / 'one_book').resolve()).encode()
    held = pathlib.Path(tempfile.gettempdir()) / f'zentavo-{hashlib.sha256(folder).hexdigest()[:16]}.lock'
    held.touch(mode=0o644)
    holder = ['flock', str(held), 'sleep', '600']
    if os.getuid() == 0:
        nobody = pwd.getpwnam('nobody').pw_uid
        os.chown(held, nobody, nobody)
        holder = ['setpriv', f'--reuid={nobody}', f'--regid={nobody}', '--clear-groups', *holder]
    start(holder)
    if os.getuid() == 0:  # and one beside the book, open to all, that another user holds
        beside = WORK / 'one_book' / '.ganctl.ngb.zentavo-lock'
        beside.touch()
        beside.chmod(0o666)
        os.chown(beside, nobody, nobody)
        start(holder[:4] + ['flock', str(beside), 'sleep', '600'])
    try:
        time.sleep(0.3)
        App('one_book', runtime='')  # without a runtime folder too: its window comes
    finally:
        held.unlink()

def keyboard_only():  # Save, Del. and its Ctrl+Z by keys alone, the focus framed all the way
    app = App('keyboard', b'*Once^07/12/2026 09:00 Second\r\n')
    # The keyboard goes to the new window, as a window manager would give it.
    tool('xdotool', 'search', '--name', MAIN, 'windowfocus', '--sync')
    time.sleep(0.3)
    screenshot('keyboard-start.png')  # the focus frame around Day from the first moment
    app.do('Tab', 'Tab', 'Tab', 'Return')  # New
    app.do('*Once', 'Tab', '0800', 'Tab', '07122026', 'Tab', 'First', 'Tab')
    screenshot('keyboard-save.png')  # on Save
    app.do('Return')
    app.holds(b'*Once^07/12/2026 09:00 Second\r\n*Once^07/12/2026 08:00 First\r\n')
    app.do(*['shift+Tab'] * 7)  # back to Del., past the entry area, the agenda and New
    screenshot('keyboard-del.png')
    app.do('Return')  # the first of the day: 08:00 First
    app.holds(b'\r\n*Once^07/12/2026 09:00 Second\r\n')
    screenshot('keyboard-deleted.png')  # what went, said in the window
    app.do('ctrl+z')
    app.holds(b'*Once^07/12/2026 09:00 Second\r\n*Once^07/12/2026 08:00 First\r\n')

def screen_reader():  # every control that takes the focus has a name, read through AT-SPI
    start(['/usr/libexec/at-spi-bus-launcher', '--launch-immediately'], env=ENV)
    time.sleep(1)
    app = App('reader', b'*Weekly^30/11/2026 09:30 Team call\r\n',
              env={'QT_LINUX_ACCESSIBILITY_ALWAYS_ON': '1'})
    read = lambda: subprocess.run(['/usr/bin/python3', pathlib.Path(__file__).parent / 'atspi_tree.py',
                                   'Zentavo'], env=ENV, capture_output=True, text=True).stdout
    tree = wait_for(lambda: 'Delete all records' in (t := read()) and t, 'no accessible tree came')
    found = {tuple(line.split('\t')[1:3]) for line in tree.splitlines()}
    wanted = {('push button', name) for name in ('Print', 'Day', 'Today', 'New', 'Del.', 'Save',
                                                  'Delete all records')}
    wanted |= {('text', name) for name in ('Date shown', 'Count', 'Date', 'Time', 'Content',
                                           'Appointments of the day', 'Frequency')}
    wanted |= {('combo box', '09:30 Team call')}  # read by what it holds, its line by its name
    check(wanted <= found, f'not read: {sorted(wanted - found)}; read: {sorted(found)}')
    labelled = {tuple(line.split('\t')[1:5:3]) for line in tree.splitlines()}  # role, labels
    check({('combo box', 'Appointments of the day'), ('combo box', 'Frequency'),
           ('text', 'Date'), ('text', 'Content')} <= labelled, f'labelled: {sorted(labelled)}')
    tool('xdotool', 'search', '--name', MAIN, 'windowfocus', '--sync')
    app.do('F6')
    week = wait_for(lambda: '09:30 Team call, weekly' in (t := read()) and t, 'the week was not read')
    check('Monday 07/12/2026, 1 appointment' in week and not re.search(r'\t {2,}\S', week),
          f'the week read as {week!r}')

def week_at_scale_two():  # on 1024x768 at scale 2 the week window is still wholly on the screen
    App('scaled', b'*Weekly^30/11/2026 09:30 Team call\r\n', env={'QT_SCALE_FACTOR': '2'})
    tool('xdotool', 'search', '--name', MAIN, 'windowfocus', '--sync')
    App.do(None, 'F6')
    week = wait_for(lambda: windows(BOX), 'no week window came')
    check(all(w.x >= 0 and w.y >= 0 and w.x + w.width <= 1024 and w.y + w.height <= 768 for w in week),
          f'the week window leaves the screen: {week}')
    screenshot('week-scale-2.png')

def read_only():  # Save refused in a read-only folder, and the text kept
    before = b'*Once^07/12/2026 09:00 Kept\r\n'
    # Root may write anywhere: the program runs as nobody then.
    nobody = pwd.getpwnam('nobody').pw_uid if os.getuid() == 0 else None
    app = App('read_only', before, user=nobody)
    modes = [(app.folder, 0o555), (app.folder / 'ganctl.ngb', 0o444)]
    for path, mode in modes:
        path.chmod(mode)
    app.do('New', '*Once', 'Tab', '1100', 'Tab', '07122026', 'Tab', 'Typed text', 'Tab', 'Return')
    app.answer('Return')  # the refusal
    app.holds(before)
    for path, mode in modes:
        path.chmod(mode | 0o222)  # writable again, by nobody too
    app.do('Save')  # what was typed is still there
    app.holds(before + b'*Once^07/12/2026 11:00 Typed text\r\n')

def week_and_undo():  # F6 shows the coming week; Delete all, then Ctrl+Z, gives the book back
    book = (b'\xef\xbb\xbf*Weekly^30/11/2026 09:30 Team call\n*Once^07/12/2026 09:30 Team call\r\n'
            b'*Once^09/12/2026 18:00 Dinner\r\n*Yearly^12/12/2000 12:00 Birthday')
    app = App('week', book)
    app.do('F6')  # on Day, which has the focus at start
    week = wait_for(lambda: windows(BOX), 'no week window came')
    # Beside the main window where the screen has room; here it has none, so on the screen.
    check(len(week) == 1 and windows(MAIN) == [app.window] and 0 <= week[0].x <= 1024 - week[0].width,
          f'windows: {windows()}')
    time.sleep(0.5)
    screenshot('week.png')
    app.do('Escape')
    wait_for(lambda: not windows(BOX), 'the week window stayed')
    app.do('DeleteAll')
    app.answer('Return')
    app.holds(b'')
    app.do('ctrl+z')  # on New, which has the focus after Delete all
    app.holds(book)

def calendar_opened():  # an .ics opened while the window runs: asked first, then its day shown
    book = b'*Once^07/12/2026 09:00 Dentist\r\n'
    app = App('calendar', book, env={'TZ': 'UTC'})
    party = WORK / 'party.ics'  # as a mail program saves an invitation
    party.write_bytes(b'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Mail//EN\r\nMETHOD:REQUEST\r\n'
                      b'BEGIN:VEVENT\r\nUID:party-1@example.org\r\nDTSTAMP:20261201T100000Z\r\n'
                      b'DTSTART:20261212T200000Z\r\nDTEND:20261212T230000Z\r\n'
                      b"SUMMARY:Party at Ann's\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
    # "Open with Zentavo": a second start hands the file to the window and ends at once.
    second = App('calendar', wait=False, arguments=[str(party)]).process
    check(second.wait(timeout=20) == 0 and len(windows(MAIN)) == 1, f'a second start: {windows()}')
    wait_for(lambda: windows(BOX), 'no question came')
    time.sleep(0.5)
    screenshot('import-question.png')
    app.answer('Escape')  # No: nothing is added
    app.holds(book)
    App('calendar', wait=False, arguments=[str(party)]).process.wait(timeout=20)
    app.answer('Return')  # Yes, the default; the window's zone is UTC's
    app.holds(book + b"*Once^12/12/2026 20:00 Party at Ann's\r\n")
    time.sleep(0.5)
    screenshot('imported.png')

def synced_after_save():  # a Save reaches a CalDAV server by itself; the menu shows the last sync
    port = free_port()
    STARTED.append(start(['xandikos', '-d', WORK / 'dav', '--defaults', '-l', '127.0.0.1',
                          '-p', str(port)], WORK / 'xandikos.log'))
    calendar = f'http://127.0.0.1:{port}/user/calendars/calendar/'
    client = lambda *a: subprocess.run(
        ['/usr/bin/python3', pathlib.Path(__file__).parent.parent / 'sync' / 'caldav_client.py',
         calendar, '', '', *a], capture_output=True, text=True, env=ENV).stdout
    wait_for(lambda: subprocess.run(['/usr/bin/python3', '-c', 'import socket; socket.create_connection'
                                     f'(("127.0.0.1", {port}), 1)'],
                                    stderr=subprocess.DEVNULL).returncode == 0,
             'the CalDAV server did not start')
    folder = WORK / 'synced'
    folder.mkdir()
    shutil.copy2(WORK / 'zentavo', folder)
    (folder / 'ganctl.ngb').write_bytes(b'*Once^07/12/2026 09:00 Dentist\r\n')
    setup = subprocess.run(['./zentavo', '--sync-with', calendar], cwd=folder, env=ENV,
                           capture_output=True, text=True, timeout=60)
    check(setup.returncode == 0 and 'Calendar' in setup.stdout, f'--sync-with: {setup}')
    app = App('synced', env={'TZ': 'UTC'})
    wait_for(lambda: 'Dentist' in client('uids'), 'the first sync did not reach the server', 30)
    app.do('New', 'once', 'Tab', '1400', 'Tab', '07122026', 'Tab', 'Tea with Bo', 'Tab', 'Return')
    wait_for(lambda: 'Tea with Bo' in client('uids'), 'the Save did not reach the server', 30)
    app.do('agenda')
    tool('xdotool', 'key', 'shift+F10')
    time.sleep(1)
    screenshot('sync-menu.png')
    tool('xdotool', 'key', 'Escape')

def free_port():
    import socket
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]

JOURNEYS = [first_use, deleting, long_agenda, splash_on_the_fifth, reminder_comes, one_instance, one_book,
            keyboard_only, screen_reader, read_only, week_and_undo, week_at_scale_two, calendar_opened,
            synced_after_save]

def main():
    arguments = [argument for argument in sys.argv[1:] if argument != '--keep']
    if not arguments:
        WORK.rmdir()
        sys.exit(__doc__ + '\nJourneys: ' + ' '.join(j.__name__ for j in JOURNEYS))
    WORK.chmod(0o755)  # under root, the print filters and nobody must reach into it
    passed = failed = 0
    try:
        # Others may rebuild the originals meanwhile.
        shutil.copy2(arguments[0], WORK / 'zentavo')
        shutil.copy2(pathlib.Path(arguments[0]).parent / 'tests' / 'tst_window', WORK)
        start_desktop()
        for journey in [j for j in JOURNEYS if not arguments[1:] or j.__name__ in arguments[1:]]:
            began, running = time.monotonic(), len(STARTED)
            try:
                journey()
                passed += 1
                print(f'PASS {journey.__name__} ({time.monotonic() - began:.1f} s)', flush=True)
            except Exception as error:  # a journey that breaks must not stop the others
                failed += 1
                print(f'FAIL {journey.__name__}: {error}', flush=True)
            while len(STARTED) > running:
                stop(STARTED.pop())
            wait_for(lambda: not windows(), 'windows stayed after their programs', 10)
    except Exception as error:
        failed += 1
        print(f'FAIL desktop: {error}')
    finally:
        for process in STARTED:  # the servers clean up after themselves on SIGTERM
            stop(process, signal.SIGTERM)
        if failed or '--keep' in sys.argv:
            print(f'folders, logs and screenshots of this run: {WORK}')
        else:
            shutil.rmtree(WORK, ignore_errors=True)
    print(f'{passed} passed, {failed} failed')
    return 0 if passed and not failed else 1  # a misspelt journey runs nothing: a failure

if __name__ == '__main__':
    sys.exit(main())
