#!/usr/bin/env python3
"""Closing kovradesk.exe under Wine and Xvfb while it works: during the base-data download,
the import of the downloaded workbook, the duplicate search, the converter's run and an update
download. Each close, by the title bar's button or by the end of the Windows session, must end
the process within two seconds of what a close on the welcome screen takes, without a crash or
a program of ours left running (the converter the wizard started may finish on its own), and
leave no file half-written: the downloaded workbook absent or whole, the user's files as they
were, every workbook in the program folder readable. The wizard (its test build) is held at
each moment until it has taken the close, so every close lands where it is meant to, on any
machine; each moment is closed once by the button and once by the end of the session, and every
result is printed before the verdict."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import struct
import threading
import time

import xlrd

from wizard_driver import LAYOUT, PAGE_TOP, Failure, Wizard, make_program_folder, scenario_main, \
    wait_for, windows_path

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, '..', '..'))
sys.path.insert(0, os.path.join(ROOT, 'tools'))
import make_sparse_workbooks as biff  # noqa: E402

WM_QUERYENDSESSION, WM_ENDSESSION = 0x0011, 0x0016
CONVERTER = 'slow_converter.exe'
SERVED = 'close-e2e-base.xls'  # the downloaded workbook's name in Documents, folder 'Base data'
GRACE = 2.0    # seconds a close may take beyond one on the welcome screen


def label(r, c, text):
    data = text.encode('latin-1')
    return biff.rec(0x0204, struct.pack('<HHHHB', r, c, 15, len(data), 0) + data)


def camera_workbook(path, cameras):
    """A workbook laid out as the camera template ("note" with the version and the camera
    types, "data" with a title row and one camera per row), big enough to take its time."""
    note = (biff.bof(0x10) + biff.row(999, 6) + biff.number(999, 5, 28.0) + biff.row(1000, 6)
            + label(1000, 5, '1,2,3,4,5') + biff.EOF)
    cells = [biff.row(0, 7)] + [label(0, c, t) for c, t in enumerate('UID Y X BEARING SPEED TYPE DIR'.split())]
    for r, cam in enumerate(cameras, 1):
        cells.append(biff.row(r, 7))
        cells += [biff.number(r, c, float(v)) for c, v in enumerate((r,) + tuple(cam))]
    data = biff.bof(0x10) + b''.join(cells) + biff.EOF
    names = (b'note', b'data')
    at = len(biff.bof(5)) + sum(12 + len(n) for n in names) + len(biff.EOF)
    sheets = (biff.rec(0x0085, struct.pack('<IBBBB', at, 0, 0, 4, 0) + names[0])
              + biff.rec(0x0085, struct.pack('<IBBBB', at + len(note), 0, 0, 4, 0) + names[1]))
    with open(path, 'wb') as f:
        f.write(biff.compound_document(biff.bof(5) + sheets + biff.EOF + note + data))


def grid(count, lon=30.0, bad_every=0):
    """Cameras 1.1 km apart; every bad_every-th one with a speed out of range."""
    return [(50 + (i // 200) * 0.01, lon + (i % 200) * 0.01, i % 360,
             250 if bad_every and i % bad_every == 0 else 60, 1, 1) for i in range(count)]


class ClosingWizard(Wizard):
    def start(self, hold=()):
        """As the driver starts it, but its error output is kept: Wine reports a crash there.
        Every start holds a point, so that the wizard reports the close it takes."""
        self.errors = tempfile.TemporaryFile()
        super().start(hold=hold or ('none',), stderr=self.errors)

    def close_now(self, by_session, held):
        """Seconds from the close until the process has gone; None when it is still there. The
        thread held at the point held goes on once the wizard has begun to close."""
        if by_session:
            self.post(WM_QUERYENDSESSION)
            self.post(WM_ENDSESSION, 1)
        else:
            self.tap('CloseButton')
        began = time.time()
        # The end is timed apart from the driver's own calls below, which start programs of
        # their own and take their time on a busy machine: the wizard may be gone before them.
        ended = []

        def watch_end():
            self.process.wait()
            ended.append(time.time())
        watch = threading.Thread(target=watch_end, daemon=True)
        watch.start()
        if held:
            self.reached('closing', 30)
            self.release(held)
        watch.join(timeout=15)
        if not ended:
            return None
        return ended[0] - began

    def tap(self, name):
        """A click on a control and nothing more: the driver's click waits for the screen."""
        window = name in LAYOUT['window']
        left, top, right, bottom = LAYOUT['window' if window else 'page'][name]
        x, y = (left + right) // 2, (top + bottom) // 2 + (0 if window else PAGE_TOP)
        subprocess.run(['xdotool', 'mousemove', '--window', self.xid, str(x), str(y), 'click', '1'],
                       check=True)

    def crash_signs(self):
        self.errors.seek(0)
        signs = [line.strip() for line in self.errors.read().decode('latin-1').splitlines()
                 if 'Unhandled' in line][:1]
        if 'process=' in self.wine(self.probe_exe, 'processes', 'winedbg.exe', timeout=60).stdout:
            signs.append('winedbg runs')
        return signs + (['a "Program Error" window'] if windows('Program Error') else [])

    def end_all(self):
        """Ends whatever of ours still runs, the stand-in converter and a debugger among it."""
        self.wine(self.probe_exe, 'kill', CONVERTER, 'winedbg.exe', timeout=120)
        self.end_programs()


def windows(name):
    """The X windows on show whose names match."""
    return set(subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', name],
                              capture_output=True, text=True).stdout.split())


def boxes():
    return windows('^OrvelMessageBox$')  # the wizard's message boxes


def snapshot(folder):
    return {os.path.join(base, name): open(os.path.join(base, name), 'rb').read()
            for base, _, files in os.walk(folder) for name in files}


class Scenario:
    def __init__(self, args):
        self.args = args
        self.work = tempfile.mkdtemp(prefix='kovradesk-close-')
        self.user = tempfile.mkdtemp(prefix='kovradesk-user-Папка Φάκελος-')
        self.dest = os.path.join(self.user, 'карта 日本')
        os.makedirs(self.dest)
        self.www = os.path.join(self.work, 'www')
        self.converter = os.path.join(os.path.dirname(args.probe), CONVERTER)  # built beside it
        self.wizard = ClosingWizard(None, args.probe, args.shots)
        self.server = None
        self.problems, self.report = [], []

    def make_files(self):
        os.makedirs(os.path.join(self.www, 'dvr', 'Kovra R7', 'rus'))
        os.makedirs(os.path.join(self.www, 'dvr', 'pctool', 'ru'))
        # The download: 45,000 cameras, every third invalid, so the import lists many of them.
        camera_workbook(os.path.join(self.www, SERVED), grid(45000, bad_every=3))
        self.served = open(os.path.join(self.www, SERVED), 'rb').read()
        # The duplicate search: two sets of 20,000 cameras, each beside one of the other's.
        self.base, self.custom = (os.path.join(self.user, n) for n in ('база.xls', 'свои.xls'))
        camera_workbook(self.base, grid(20000))
        camera_workbook(self.custom, grid(20000, lon=30.0001))
        self.sample = os.path.join(self.user, 'выход.xls')
        shutil.copy(os.path.join(self.args.samples, 'conversion_workbook.xls'), self.sample)
        with open(os.path.join(self.www, 'setup.exe'), 'wb') as f:
            f.write(b'MZ' + bytes(4 * 1024 * 1024))  # trickled: never complete within a try
        self.imported = [open(path, 'rb').read() for path in (self.base, self.custom, self.sample)]
        self.imported.append(self.served)

    def serve(self):
        port_file = os.path.join(self.work, 'port')
        self.server = subprocess.Popen(['/usr/bin/python3', os.path.join(HERE, '..', 'wizard', 'http_server.py'),
                                        '--root', self.www, '--port-file', port_file,
                                        '--lifetime', '900', '--max-requests', '100000'])
        wait_for('the local server', lambda: os.path.exists(port_file), 30)
        self.port = int(open(port_file).read())
        os.environ['KOVRA_SERVER_URL'] = 'http://127.0.0.1:%d' % self.port
        version = os.path.join(self.www, 'dvr', 'pctool', 'ru', 'version.ini')
        with open(version, 'w') as f:
            f.write('[RU Ruvovid]\r\nversion=99.0.0.0\r\nURL=http://127.0.0.1:%d/slow/setup.exe\r\n'
                    'sha256=%s\r\n' % (self.port, '0' * 64))
        subprocess.run(['/usr/bin/python3', os.path.join(ROOT, 'tools', 'sign-version'),
                        os.path.join(ROOT, 'tests', 'update', 'test_key.pem'), version],
                       check=True, stdout=subprocess.DEVNULL)

    def offer(self):
        """The workbook BaseFile.ini names."""
        with open(os.path.join(self.www, 'dvr', 'Kovra R7', 'rus', 'BaseFile.ini'), 'w') as f:
            f.write('[ActiveBaseFil]\r\nURL=http://127.0.0.1:%d/%s\r\n' % (self.port, SERVED))

    def welcome(self):
        self.wizard.start()
        return self.wizard.expect_welcome() or (lambda: True)

    def downloaded(self):
        return os.path.join(self.documents, SERVED)

    def temp_files(self):
        return set(glob.glob(os.path.join(self.documents, 'kvd*.tmp')))

    # The moments: each drives a fresh wizard there and returns a test of "still there".

    def downloading(self):
        # Held once the first bytes of the workbook have come.
        self.offer()
        self.wizard.start(hold=('download',))
        self.wizard.press_start()
        self.wizard.click_control('ImportNext')  # with "download the latest data" chosen
        self.wizard.reached('download')
        self.wizard.wait_controls('the download', shown=[1004, 2006])
        return lambda: not os.path.exists(self.downloaded())

    def importing(self):
        # Held with the workbook downloaded whole, before the import reads it.
        self.offer()
        self.wizard.start(hold=('import',))
        self.wizard.press_start()
        self.wizard.click_control('ImportNext')  # with "download the latest data" chosen
        self.wizard.reached('import')
        return lambda: True  # held there until the close has been taken

    def searching(self):
        self.to_step4(self.base, self.custom, hold=('search',))
        self.wizard.click_control('Convert')
        self.wizard.reached('search')
        return lambda: True

    def converting(self):
        w = self.wizard
        with open(os.path.join(w.folder, 'Setting.ini'), 'w') as f:
            f.write('[ModelInfo]\r\nModelCount=1\r\n\r\n[Model_1]\r\nDeviceName=Kovra R7\r\n'
                    'ConvertExe=\\%s\r\nSuccessLogFile=\\SuccessLogFile.txt\r\n'
                    'ErrorLogFile=\\ErrorLogFile.txt\r\nRawFile=\\speed.raw\r\n' % CONVERTER)
        self.to_step4(self.sample, None)
        w.click_control('Convert')
        wait_for('the converter', self.converter_runs, 120)
        return self.converter_runs

    def converter_runs(self):
        w = self.wizard
        if 1005 in w.controls()[0]:
            w.click_control('NextSet')  # keeping the first camera of a group
        return CONVERTER in w.wine(w.probe_exe, 'processes', CONVERTER, timeout=60).stdout

    def updating(self):
        # Held as the installer's transfer begins; the checking box has closed by then, and the
        # one box left to come is the download box.
        w = self.wizard
        w.start(hold=('update-download',))
        w.click(163, 47)  # Info
        w.keys('Down', 'Return')  # Check for Update
        w.reached('update-download')
        box = wait_for('the download box', lambda: (lambda b: len(b) == 1 and b)(boxes()), 30)
        return lambda: box <= boxes()

    def to_step4(self, base, custom, hold=()):
        w = self.wizard
        w.start(hold=hold)
        w.press_start()
        w.page_click(135, 186)  # "Select previous output data from the computer"
        for step, path in ((1, base), (3, custom)):
            if path:
                w.click_control('ImportBrowse' if step == 1 else 'LaterImportBrowse')
                w.choose_file(windows_path(path))
                w.wait_controls('the chosen file', enabled=[2003])
                w.click_control('ImportNext' if step == 1 else 'LaterImportNext')
            else:
                w.click_control('Skip')
            w.expect_step(step + 1)
            if step == 1:
                w.click_control('Skip')  # the partner data
                w.expect_step(3)

    # One try: reach the moment, close, judge.

    def attempt(self, name, moment, held, by_session, limit):
        w = self.wizard
        w.folder = make_program_folder([self.args.exe, self.converter, self.args.rus]
                                       + self.args.data)
        before, temps = snapshot(self.user), self.temp_files()
        what = '%s, %s' % (name, 'end of session' if by_session else 'button')
        found = []
        try:
            still = moment()
            if not still():
                raise Failure('the moment had passed before the close')
            seconds = w.close_now(by_session, held)
            if seconds is None:
                found.append('still running 15 s after the close')
            elif limit and seconds > limit:
                found.append('took %.1f s to end (at most %.1f s)' % (seconds, limit))
            if seconds is not None and self.status is not None and w.process.returncode != self.status:
                found.append('ended with status %d, not %d' % (w.process.returncode, self.status))
            found += w.crash_signs()
            left = w.programs()
            found += ['left running: %s' % '; '.join(left)] if left else []
            found += self.files_left(before, temps)
            self.report.append('%-48s %s' % (what, '-' if seconds is None else '%.1f s' % seconds))
            return seconds
        except Failure as failure:
            found.append('did not reach the moment: %s' % failure)
            w.shot_screen(name.replace(' ', '-'))
        finally:
            w.end_all()
            w.forget()
            for path in {self.downloaded()} | (self.temp_files() - temps):
                if os.path.exists(path):
                    os.remove(path)
            shutil.rmtree(w.folder, ignore_errors=True)
            self.problems += ['%s: %s' % (what, p) for p in found]

    def files_left(self, before, temps):
        found = []
        if os.path.exists(self.downloaded()) and open(self.downloaded(), 'rb').read() != self.served:
            found.append('the downloaded workbook in Documents is not whole')
        if self.temp_files() - temps:
            found.append('a partial download left in Documents: %s' % ', '.join(self.temp_files() - temps))
        if snapshot(self.user) != before:
            found.append("the user's files changed")
        for path in glob.glob(os.path.join(self.wizard.folder, 'History', '*.xls')):
            try:
                xlrd.open_workbook(path).sheet_by_name('data')
            except Exception as error:  # noqa: BLE001 - any reason means a damaged workbook
                found.append('%s does not open: %s' % (os.path.basename(path), error))
        working = os.path.join(self.wizard.folder, '~MyBaseFile.xls')
        if os.path.exists(working) and open(working, 'rb').read() not in self.imported:
            found.append('~MyBaseFile.xls is a partial copy')
        return found

    def run(self):
        w = self.wizard
        self.make_files()
        w.reset_profile(windows_path(self.dest))
        self.documents = os.path.join(w.linux_path('%USERPROFILE%'), 'Documents', 'Base data')
        self.serve()
        # The welcome screen: how long a close takes here, where nothing runs.
        self.status = None
        times, statuses = [], set()
        for _ in range(3):
            times.append(self.attempt('welcome screen', self.welcome, None, False, None))
            statuses.add(w.process.returncode)
        if None in times or len(statuses) != 1:
            raise Failure('the wizard does not end alike on its close button: %s' % self.problems)
        self.status = statuses.pop()
        limit = max(times) + GRACE
        print('welcome screen: closed in %s s, each close below must end within %.1f s'
              % (', '.join('%.1f' % t for t in times), limit))
        self.attempt('welcome screen', self.welcome, None, True, limit)
        # The converter runs until it is ended: nothing of the wizard's is held there.
        for name, moment, held in (('base-data download', self.downloading, 'download'),
                                   ('import of the download', self.importing, 'import'),
                                   ('duplicate search', self.searching, 'search'),
                                   ('converter run', self.converting, None)):
            for by_session in (False, True):
                self.attempt(name, moment, held, by_session, limit)
        # The modal download box takes no clicks to the main window: only the session ends.
        self.attempt('update download', self.updating, 'update-download', True, limit)
        print('\n'.join(self.report))
        if self.problems:
            raise Failure('what went wrong:\n  ' + '\n  '.join(self.problems))

    def cleanup(self):
        try:
            if self.server:
                self.server.terminate()
                self.server.wait(timeout=30)
        finally:
            self.wizard.close()  # forgets the profile too
            shutil.rmtree(self.work, ignore_errors=True)
            shutil.rmtree(self.user, ignore_errors=True)


def run(args):
    scenario = Scenario(args)
    try:
        scenario.run()
    finally:
        scenario.cleanup()


if __name__ == '__main__':
    scenario_main(run)
