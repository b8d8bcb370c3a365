#!/usr/bin/env python3
"""End-to-end tests of the real zentavo program, used as a person uses it.

A real X server (Xvfb), real keystrokes and clicks (xdotool), a real print queue (a private
cupsd with a cups-pdf printer as its default) and a faked clock (faketime). Each case copies
the executable into a fresh folder, writes the case's data file there, starts the program
and checks what a user could see or keep: the bytes of the data file, the printed agenda
read back from the PDF, windows and their sizes, exit statuses.

Usage: run_e2e.py [--keep] PATH/TO/zentavo [CASE ...]
--keep leaves the folders and screenshots of the run behind, as a failing run always does.
It prints one line per case and ends with "N passed, N failed"; the exit status is 0 only
when every case passed. It stops only the processes it started.
"""

import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile
import time

MAIN = 'Appointments Zentavo'
RULE = '_' * 62

# Centres of the main window's controls, in pixels from its top-left corner.
AT = {
    'Print': (48, 26), 'Day': (112, 26), 'Today': (168, 26), 'New': (224, 26),
    'Del': (280, 26), 'msb': (352, 25), 'agenda': (250, 76), 'date': (116, 115),
    'time': (252, 117), 'frequency': (420, 115), 'content': (200, 192), 'Save': (431, 194),
    'DeleteAll': (245, 243),
}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, predicate, timeout=10.0, step=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f'timed out waiting for {what}')
        time.sleep(step)


class Desktop:
    """Xvfb on a free display, and a private print server, both stopped by their ids."""

    def __init__(self, work):
        self.work = work
        self.processes = []
        self.env = dict(os.environ)
        self.env.pop('WAYLAND_DISPLAY', None)
        self.env['QT_QPA_PLATFORM'] = 'xcb'
        read_end, write_end = os.pipe()
        # -noreset: the server must not restart each time its last client goes.
        xvfb = self._start(['Xvfb', '-displayfd', str(write_end), '-noreset', '-screen', '0',
                            '1024x768x24', '-nolisten', 'tcp'], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as chosen:
            display = chosen.readline().strip()
        check(display and xvfb.poll() is None, 'Xvfb did not start')
        self.env['DISPLAY'] = ':' + display
        self.cups = None
        self.cups_dir = os.path.join(work, 'cups')
        self.env['CUPS_SERVER'] = os.path.join(self.cups_dir, 'cups.sock')
        self.pdf_dir = os.path.join(pwd.getpwuid(os.getuid()).pw_dir, 'PDF')

    def _start(self, command, log=None, **options):
        output = open(log, 'wb') if log else subprocess.DEVNULL
        process = subprocess.Popen(command, stdout=output, stderr=subprocess.STDOUT,
                                   start_new_session=True, **options)
        if log:
            output.close()
        self.processes.append(process)
        return process

    def start_printing(self):
        """A cupsd of our own, on a socket of its own, with a cups-pdf printer as default."""
        folder = self.cups_dir
        for sub in ('spool', 'cache', 'state', 'tmp', 'ppd'):
            os.makedirs(os.path.join(folder, sub), exist_ok=True)
        os.chmod(os.path.join(folder, 'tmp'), 0o1777)  # the filters run as user lp
        with open(os.path.join(folder, 'cupsd.conf'), 'w') as conf:
            conf.write(f'Listen {folder}/cups.sock\nLogLevel warn\nBrowsing Off\n'
                       'DefaultAuthType None\n<Location />\n  Order allow,deny\n'
                       '  Allow all\n</Location>\n<Location /admin>\n  Order allow,deny\n'
                       '  Allow all\n</Location>\n')
        with open(os.path.join(folder, 'cups-files.conf'), 'w') as conf:
            conf.write(f'ServerRoot {folder}\nRequestRoot {folder}/spool\n'
                       f'CacheDir {folder}/cache\nStateDir {folder}/state\n'
                       f'TempDir {folder}/tmp\nErrorLog {folder}/error_log\n'
                       f'AccessLog {folder}/access_log\nPageLog {folder}/page_log\n')
        self.cups = self._start(['/usr/sbin/cupsd', '-f', '-c', f'{folder}/cupsd.conf',
                                 '-s', f'{folder}/cups-files.conf'])
        wait_for('the print server', lambda: subprocess.run(
            ['lpstat', '-r'], env=self.env, capture_output=True).returncode == 0)
        if not os.path.exists(os.path.join(folder, 'printers.conf')):
            for command in (['lpadmin', '-p', 'PDF', '-v', 'cups-pdf:/', '-E', '-m',
                             'lsb/usr/cups-pdf/CUPS-PDF_opt.ppd'],
                            ['lpadmin', '-p', 'PDF', '-o', 'pdftops-renderer-default=pdftocairo'],
                            ['lpadmin', '-d', 'PDF']):
                self._admin(command)

    def _admin(self, command):
        # A scheduler that has just started, on a busy machine, may still turn a request away.
        for attempt in range(10):
            done = subprocess.run(command, env=self.env, capture_output=True, text=True)
            if done.returncode == 0:
                return
            time.sleep(0.5 * (attempt + 1))
        raise Failure(f'{" ".join(command)}: {done.stderr.strip()}')

    def stop_printing(self):
        if self.cups:
            self.cups.terminate()
            self.cups.wait(timeout=10)
            self.processes.remove(self.cups)
            self.cups = None

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self.processes = []

    def xdotool(self, *args):
        return subprocess.run(['xdotool'] + list(args), env=self.env, capture_output=True,
                              text=True).stdout

    def windows(self, name):
        ids = self.xdotool('search', '--onlyvisible', '--name', name).split()
        found = []
        for wid in ids:
            geometry = {}
            for line in self.xdotool('getwindowgeometry', '--shell', wid).splitlines():
                key, _, value = line.partition('=')
                if value.isdigit():
                    geometry[key] = int(value)
            if geometry.get('WIDTH', 0) > 10:  # not Qt's helper windows
                found.append(geometry)
        return found

    def screenshot(self, path):
        subprocess.run(['import', '-window', 'root', path], env=self.env, check=True)
        spread = subprocess.run(['convert', path, '-format', '%[fx:standard_deviation]',
                                 'info:'], capture_output=True, text=True).stdout
        check(float(spread or 0) > 0.01, f'{path} is blank')


class App:
    """One start of the program, in a folder of its own."""

    def __init__(self, desktop, exe, folder, when=None, data=None, user=None):
        self.desktop = desktop
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self.exe = os.path.join(folder, 'zentavo')
        if not os.path.exists(self.exe):
            shutil.copy2(exe, self.exe)
        self.data_path = os.path.join(folder, 'ganctl.ngb')
        if data is not None:
            with open(self.data_path, 'wb') as out:
                out.write(data)
        env = dict(desktop.env)
        runtime = os.path.join(folder, '..', os.path.basename(folder) + '-runtime')
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env['XDG_RUNTIME_DIR'] = os.path.abspath(runtime)
        command = ['./zentavo']
        if when:
            command = ['faketime', '-f', '@' + when] + command
        if user is not None:
            os.chown(runtime, user, user)
            command = ['setpriv', f'--reuid={user}', f'--regid={user}', '--clear-groups'] + command
        self.log = os.path.abspath(folder) + '.log'
        self.process = desktop._start(command, log=self.log, cwd=folder, env=env)
        self.origin = None

    def main_window(self, timeout=10):
        try:
            found = wait_for('the main window', lambda: self.desktop.windows(f'^{MAIN}$'),
                             timeout)
        except Failure:
            with open(self.log, errors='replace') as log:
                said = log.read()[-500:]
            raise Failure(f'no main window; the program {"runs" if self.process.poll() is None else f"exited with {self.process.returncode}"}; it said: {said!r}')
        check(len(found) == 1, f'{len(found)} main windows')
        self.origin = (found[0]['X'], found[0]['Y'])
        return found[0]

    def click(self, control, offset=(0, 0)):
        x, y = AT[control]
        self.desktop.xdotool('mousemove', str(self.origin[0] + x + offset[0]),
                             str(self.origin[1] + y + offset[1]), 'click', '1')
        time.sleep(0.25)

    def type(self, text):
        self.desktop.xdotool('type', '--delay', '30', text)
        time.sleep(0.1)

    def key(self, *keys):
        self.desktop.xdotool('key', *keys)
        time.sleep(0.25)

    def show_date(self, digits):
        self.click('msb')
        self.key('ctrl+a')
        self.type(digits)
        self.key('Return')

    def data(self):
        with open(self.data_path, 'rb') as data:
            return data.read()

    def printed(self, expect_document=True):
        """Clicks Print and returns the printed lines, read back from the PDF."""
        # A new print server numbers its jobs from 1 again, so a file of an earlier run may
        # have the same name: a document is new by its modification time.
        def documents():
            if not os.path.isdir(self.desktop.pdf_dir):
                return {}
            return {entry.name: entry.stat().st_mtime_ns
                    for entry in os.scandir(self.desktop.pdf_dir) if entry.name.endswith('.pdf')}
        before = documents()
        self.click('Print')

        def new_pdf():
            new = [name for name, mtime in documents().items() if before.get(name) != mtime]
            return sorted(new)[0] if new else None
        if not expect_document:
            time.sleep(3)
            return new_pdf()
        name = wait_for('the printed PDF', new_pdf, timeout=20)
        path = os.path.join(self.desktop.pdf_dir, name)
        time.sleep(0.5)  # cups-pdf finishes writing after it names the file
        text = subprocess.run(['pdftotext', '-layout', path, '-'], capture_output=True,
                              text=True, check=True).stdout
        os.remove(path)
        return [line.strip() for line in text.replace('\f', '\n').splitlines() if line.strip()]

    def stop(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        self.desktop.processes.remove(self.process)


CASES = []


def case(function):
    CASES.append(function)
    return function


@case
def first_start_without_data_file(desktop, exe, folder):
    app = App(desktop, exe, folder, when='2026-12-07 10:00:00')
    window = app.main_window()
    check((window['WIDTH'], window['HEIGHT']) == (491, 269), f'window is {window}')
    check(not desktop.windows('^Zentavo$'), 'a splash or message came up')
    desktop.screenshot(os.path.join(folder, '..', 'first-start.png'))
    lines = app.printed()
    check(lines == ['Appointments on: 07/12/2026', RULE], f'printed {lines}')
    check(not os.path.exists(app.data_path), 'the data file was created by reading')
    app.stop()


@case
def new_weekly_appointment(desktop, exe, folder):
    app = App(desktop, exe, folder, when='2026-12-07 10:00:00')
    app.main_window()
    app.click('New')
    app.type('*Weekly')
    app.key('Tab')
    app.type('1030')
    app.key('Tab')
    app.type('05122026')
    app.key('Tab')
    app.type('Dentist')
    app.click('Save')
    check(app.data() == b'*Weekly^05/12/2026 10:30 Dentist\r\n', f'file holds {app.data()!r}')
    app.show_date('12122026')
    lines = app.printed()
    check(lines == ['Appointments on: 12/12/2026', RULE, '10:30 Dentist'], f'printed {lines}')
    app.stop()


ALL_KINDS = (b'*Once^07/12/2026 09:00 Once only\r\n'
             b'*Daily^01/01/2020 07:00 Daily run\r\n'
             b'*Weekly^30/11/2026 08:00 Weekly Monday\r\n'
             b'*Monthly^15/01/2026 12:00 Monthly 15th\r\n'
             b'*Quarterly^15/02/2026 13:00 Quarterly Feb\r\n'
             b'*Yearly^25/12/2000 18:00 Yearly Christmas\r\n'
             b'no caret line\r\n'
             b'*Daily^31/02/2026 06:00 bad date\r\n'
             b'*weekly^30/11/2026 06:30 wrong case\r\n')


@case
def agendas_of_every_frequency(desktop, exe, folder):
    app = App(desktop, exe, folder, when='2026-12-07 10:00:00', data=ALL_KINDS)
    app.main_window()
    expected = {
        '07122026': ['07:00 Daily run', '08:00 Weekly Monday', '09:00 Once only'],
        '15052026': ['07:00 Daily run', '12:00 Monthly 15th', '13:00 Quarterly Feb'],
        '25122026': ['07:00 Daily run', '18:00 Yearly Christmas'],
        '15032027': ['07:00 Daily run', '08:00 Weekly Monday', '12:00 Monthly 15th'],
    }
    for digits, entries in expected.items():
        app.show_date(digits)
        shown = f'{digits[:2]}/{digits[2:4]}/{digits[4:]}'
        lines = app.printed()
        check(lines == [f'Appointments on: {shown}', RULE] + entries,
              f'{shown} printed {lines}')
    app.click('Del')  # the first entry, 07:00 Daily run, is the chosen one
    expected_file = b'\r\n' + ALL_KINDS.replace(b'*Daily^01/01/2020 07:00 Daily run\r\n', b'')
    check(app.data() == expected_file, f'after Del. the file holds {app.data()!r}')
    app.stop()


@case
def delete_one_and_delete_all(desktop, exe, folder):
    data = b'*Once^07/12/2026 10:30 Dentist\r\n*Once^08/12/2026 10:30 Dentist\r\n'
    app = App(desktop, exe, folder, when='2026-12-07 10:00:00', data=data)
    app.main_window()
    app.click('Del')
    check(app.data() == b'\r\n*Once^08/12/2026 10:30 Dentist\r\n',
          f'Del. left {app.data()!r}')
    before = app.data()
    app.click('DeleteAll')
    wait_for('the question', lambda: desktop.windows('^Zentavo$'))
    app.key('Escape')  # No
    check(app.data() == before, 'Delete all answered No changed the file')
    app.click('DeleteAll')
    wait_for('the question', lambda: desktop.windows('^Zentavo$'))
    app.key('Return')  # Yes, the default
    time.sleep(0.3)
    check(app.data() == b'', f'Delete all left {app.data()!r}')
    app.show_date('08122026')
    lines = app.printed()
    check(lines == ['Appointments on: 08/12/2026', RULE], f'printed {lines}')
    app.stop()


@case
def splash_on_the_fifth(desktop, exe, folder):
    app = App(desktop, exe, folder, when='2026-12-05 09:00:00')
    splash = wait_for('the splash window', lambda: [w for w in desktop.windows('.*')
                                                    if (w['WIDTH'], w['HEIGHT']) == (685, 361)])
    check(splash[0]['X'] == (1024 - 685) // 2 and splash[0]['Y'] == (768 - 361) // 2,
          f'splash not centred: {splash[0]}')
    time.sleep(0.5)
    check(not desktop.windows(f'^{MAIN}$'), 'the main window came before the splash closed')
    desktop.screenshot(os.path.join(folder, '..', 'splash.png'))
    desktop.xdotool('mousemove', str(splash[0]['X'] + 18), str(splash[0]['Y'] + 18),
                    'click', '1')
    app.main_window()
    app.stop()
    other = App(desktop, exe, folder + '-6th', when='2026-12-06 09:00:00')
    other.main_window()
    check(not [w for w in desktop.windows('.*') if (w['WIDTH'], w['HEIGHT']) == (685, 361)],
          'a splash on the 6th')
    other.stop()


@case
def second_start(desktop, exe, folder):
    first = App(desktop, exe, folder)
    first.main_window()
    second = App(desktop, exe, folder)
    started = time.monotonic()
    status = second.process.wait(timeout=10)
    took = time.monotonic() - started
    check(status == 0, f'the second start exited with {status}')
    check(took < 3, f'the second start took {took:.1f} s')
    check(len(desktop.windows(f'^{MAIN}$')) == 1, 'the second start showed a window')
    second.stop()
    first.stop()  # SIGKILL: its lock stays behind
    third = App(desktop, exe, folder)
    third.main_window()
    third.stop()


@case
def simultaneous_starts(desktop, exe, folder):
    """Two starts at the same instant, 20 times: exactly one instance survives each time."""
    for attempt in range(20):
        place = f'{folder}/{attempt}'
        os.makedirs(place)
        shutil.copy2(exe, os.path.join(place, 'zentavo'))
        pair = [App(desktop, exe, place) for _ in range(2)]
        wait_for('the window of one of them', lambda: desktop.windows(f'^{MAIN}$'))
        time.sleep(0.3)
        running = [app for app in pair if app.process.poll() is None]
        ended = [app for app in pair if app.process.poll() is not None]
        check(len(running) == 1, f'attempt {attempt}: {len(running)} instances run')
        check(ended[0].process.returncode == 0,
              f'attempt {attempt}: the other ended with {ended[0].process.returncode}')
        check(len(desktop.windows(f'^{MAIN}$')) == 1, f'attempt {attempt}: two windows')
        for app in pair:
            app.stop()
        wait_for('the window to go', lambda: not desktop.windows(f'^{MAIN}$'))


@case
def reminder_comes(desktop, exe, folder):
    app = App(desktop, exe, folder, when='2026-12-07 10:29:30 x10',
              data=b'*Once^07/12/2026 10:30 Standup\r\n')
    app.main_window()
    started = time.monotonic()
    wait_for('the reminder', lambda: desktop.windows('^Zentavo$'), timeout=15)
    took = time.monotonic() - started
    check(took < 9.5, f'the reminder took {took:.1f} s, over 1.5 program minutes')
    desktop.screenshot(os.path.join(folder, '..', 'reminder.png'))
    app.stop()


@case
def read_only_folder(desktop, exe, folder):
    before = b'*Once^07/12/2026 09:00 Kept\r\n'
    nobody = pwd.getpwnam('nobody').pw_uid if os.getuid() == 0 else None
    os.makedirs(folder)
    shutil.copy2(exe, os.path.join(folder, 'zentavo'))
    path = os.path.join(folder, 'ganctl.ngb')
    with open(path, 'wb') as data:
        data.write(before)
    if nobody is not None:  # root writes anywhere: run the program as an ordinary user
        os.chown(folder, nobody, nobody)
        os.chown(path, nobody, nobody)
    os.chmod(path, 0o444)
    os.chmod(folder, 0o555)
    app = App(desktop, exe, folder, when='2026-12-07 10:00:00', user=nobody)
    app.main_window()
    app.click('New')
    app.type('*Once')
    app.key('Tab')
    app.type('1100')
    app.key('Tab')
    app.type('07122026')
    app.key('Tab')
    app.type('Typed text')
    app.click('Save')
    wait_for('the message', lambda: desktop.windows('^Zentavo$'))
    app.key('Return')
    check(app.data() == before, 'the file changed')
    os.chmod(folder, 0o755)
    os.chmod(path, 0o644)
    app.click('Save')  # what was typed is still there, and is stored now
    check(app.data() == before + b'*Once^07/12/2026 11:00 Typed text\r\n',
          f'after the folder was writable again the file holds {app.data()!r}')
    app.stop()


@case
def no_default_printer(desktop, exe, folder):
    desktop.stop_printing()
    try:
        app = App(desktop, exe, folder, when='2026-12-07 10:00:00',
                  data=b'*Once^07/12/2026 09:00 x\r\n')
        app.main_window()
        check(app.printed(expect_document=False) is None, 'something was printed')
        check(not desktop.windows('^Zentavo$'), 'Print showed a message')
        app.click('New')
        app.type('*Once')
        app.key('Tab')
        app.type('1200')
        app.key('Tab')
        app.type('07122026')
        app.key('Tab')
        app.type('Still working')
        app.click('Save')
        check(app.data().endswith(b'*Once^07/12/2026 12:00 Still working\r\n'),
              'the program stopped working after Print')
        app.stop()
    finally:
        desktop.start_printing()


def main():
    arguments = sys.argv[1:]
    keep = '--keep' in arguments
    arguments = [argument for argument in arguments if argument != '--keep']
    if not arguments:
        print(__doc__)
        return 2
    exe = os.path.abspath(arguments[0])
    chosen = set(arguments[1:])
    work = tempfile.mkdtemp(prefix='zentavo-e2e-')
    os.chmod(work, 0o755)  # the ordinary user of one case must reach its folder
    desktop = Desktop(work)
    passed = failed = 0
    try:
        try:
            desktop.start_printing()
        except Failure as error:
            print(f'FAIL print server: {error}')
            failed += 1
        for test in CASES:
            if chosen and test.__name__ not in chosen:
                continue
            started = time.monotonic()
            try:
                test(desktop, exe, os.path.join(work, test.__name__))
                passed += 1
                print(f'PASS {test.__name__} ({time.monotonic() - started:.1f} s)', flush=True)
            except Exception as error:  # a case that breaks must not stop the others
                failed += 1
                print(f'FAIL {test.__name__}: {error}', flush=True)
            finally:
                for process in list(desktop.processes):
                    if process is not desktop.cups and process is not desktop.processes[0]:
                        if process.poll() is None:
                            os.killpg(process.pid, signal.SIGKILL)
                            process.wait()
                        desktop.processes.remove(process)
    finally:
        desktop.stop()
        if failed or keep:
            print(f'screenshots and folders of this run: {work}')
        else:
            shutil.rmtree(work, ignore_errors=True)
    print(f'{passed} passed, {failed} failed')
    return 0 if failed == 0 else 1


if __name__ == '__main__':
    sys.exit(main())
