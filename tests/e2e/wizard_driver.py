"""Drives kovradesk.exe under Wine and Xvfb: starting it, clicking and typing with xdotool,
reading its state with wizard_probe.exe, and keeping screenshots."""
import argparse
import json
import os
import re
import shutil
import sys
import subprocess
import tempfile
import time

from PIL import ImageGrab

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.path.join(HERE, '..', 'wine-run.sh')
PROFILE_KEY = r'HKCU\Software\Orvel Systems Inc.\kovradesk\MAIN'


def shared_header():
    """The message numbers and the window title that the wizard, the converter and this driver
    share, from their header."""
    with open(os.path.join(HERE, '..', '..', 'base', 'window_messages.h'), encoding='utf-8') as f:
        text = f.read()
    numbers = {m.group(1): int(m.group(2)) for m in re.finditer(r'\b(UM_\w+) = (\d+),', text)}
    return numbers, re.search(r'KOVRA_WIZARD_TITLE L"([^"]*)"', text).group(1)


SHARED, WIZARD_TITLE = shared_header()


def skin_layout():
    """Where the wizard's controls stand, as tools/make_art.py writes it for the program."""
    with open(os.path.join(HERE, '..', '..', 'resources', 'skin_ids.json'), encoding='utf-8') as f:
        return json.load(f)


LAYOUT = skin_layout()
PAGE_TOP = LAYOUT['page_top']  # pages sit below the step strip; their controls are placed in page pixels
UM_STEP_NEXT, UM_STEP_BACK = SHARED['UM_STEP_NEXT'], SHARED['UM_STEP_BACK']
# Programs a scenario may leave running: the wizard (its own or one an installer started), the
# converter, the installer and the uninstaller with the copy of itself it runs from.
PROGRAMS = ('kovradesk.exe', 'rawconv.exe', 'setup.exe', 'uninstall.exe', 'Au_.exe')


class Failure(Exception):
    pass


def wait_for(what, predicate, timeout=30.0):
    end = time.time() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.time() > end:
            raise Failure('timed out waiting for ' + what)
        time.sleep(0.25)


class Wizard:
    """One wizard in a program folder of its own (a copy of the package)."""

    def __init__(self, folder, probe, shots):
        self.folder, self.probe_exe, self.shots = folder, probe, shots
        self.process = None
        self.pid = None  # the Windows process id of the wizard this scenario watches
        self.xid = None
        self.count = 0

    def wine(self, *args, **kwargs):
        # Wine's own tools answer in the console's code page, which in a Russian locale is not
        # UTF-8; only the probe's answers are read closely, and those are UTF-8.
        return subprocess.run([WINE_RUN, *args], capture_output=True, text=True, errors='replace',
                              **kwargs)

    def probe(self):
        # A Wine process now and then hangs at start-up: try again rather than fail the run.
        for attempt in range(3):
            try:
                out = self.wine(self.probe_exe, 'state', str(self.pid or 0), timeout=30).stdout
                break
            except subprocess.TimeoutExpired:
                if attempt == 2:
                    raise Failure('wizard_probe does not answer')
        return dict(line.strip().split('=', 1) for line in out.splitlines() if '=' in line)

    def visible(self):
        return set(filter(None, self.probe().get('visible', '').split(',')))

    def reset_profile(self, dest_folder=None):
        """English, and the destination folder when given; nothing else remembered."""
        self.wine('reg', 'delete', PROFILE_KEY, '/f', timeout=60)
        self.wine('reg', 'add', PROFILE_KEY, '/v', 'Language', '/t', 'REG_DWORD', '/d', '0', '/f',
                  timeout=60)
        if dest_folder:
            self.wine('reg', 'add', PROFILE_KEY, '/v', 'DestFolder', '/t', 'REG_SZ', '/d',
                      dest_folder, '/f', timeout=60)

    def close_with_button(self):
        """The title bar's close button: the wizard ends at once."""
        self.click_control('CloseButton')
        self.process.wait(timeout=30)

    def programs(self):
        """The programs of ours running in the prefix, as "PID,PATH" texts."""
        out = self.wine(self.probe_exe, 'processes', *PROGRAMS, timeout=60).stdout
        return [line.split('=', 1)[1] for line in out.splitlines() if line.startswith('process=')]

    def expect_no_programs(self):
        """A scenario starts only in a prefix where none of our programs runs: a wizard left by
        another test would take over this one's start and hide its window."""
        left = self.programs()
        if left:
            raise Failure('already running in this Wine prefix: %s' % '; '.join(left))

    def end_programs(self):
        """Ends every program of ours in the prefix, this scenario's and any an installer
        started, and waits until none is left."""
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)
        killed = self.wine(self.probe_exe, 'kill', *PROGRAMS, timeout=120)
        left = self.programs()
        if killed.returncode != 0 or left:
            raise Failure('still running after being ended: %s' % '; '.join(left))

    def close(self):
        """Ends what the scenario started and forgets the profile it used."""
        try:
            self.end_programs()
        finally:
            self.wine('reg', 'delete', PROFILE_KEY, '/f', timeout=60)

    def controls(self):
        """The control IDs visible on the page on show, and those of them enabled."""
        state = self.probe()
        ids = lambda key: set(int(v) for v in state.get(key, '').split(',') if v)
        return ids('controls'), ids('enabled')

    def wait_controls(self, what, shown=(), hidden=(), enabled=(), timeout=60):
        def ok():
            visible, active = self.controls()
            return set(shown) <= visible and not set(hidden) & visible and set(enabled) <= active
        wait_for(what, ok, timeout)

    def choose_file(self, path):
        """Fills the file dialog that has just been opened and confirms it; returns once the
        dialog has gone. The file name is put in through the dialog's own box: without a window
        manager, typed keys need not reach it."""
        wait_for('the file dialog', lambda: self.wine(self.probe_exe, 'open', path,
                                                      timeout=60).returncode == 0)
        wait_for('the file dialog to close', lambda: self.probe().get('filedialog') == '0', 30)

    def reached(self, point, timeout=120):
        """Waits until the wizard (the test build, started with the point in hold) is held at
        the test point or has passed it."""
        if self.wine(self.probe_exe, 'reached', point, str(self.pid), str(int(timeout * 1000)),
                     timeout=timeout + 60).returncode != 0:
            raise Failure('timed out waiting for the wizard to reach "%s"' % point)

    def sync(self):
        """Returns once the wizard (the test build) has handled every message posted to it
        before: what a posted message does, or does not do, can be looked at then."""
        if self.wine(self.probe_exe, 'sync', str(self.pid), timeout=120).returncode != 0:
            raise Failure('the wizard does not take its messages')

    def release(self, point):
        """Lets the thread held at the test point go on."""
        if self.wine(self.probe_exe, 'release', point, str(self.pid), timeout=60).returncode != 0:
            raise Failure('cannot release "%s"' % point)

    def type_text(self, text):
        subprocess.run(['xdotool', 'type', '--delay', '50', text], check=True)
        time.sleep(0.5)

    def post(self, message, wparam=0):
        self.wine(self.probe_exe, 'post', str(message), str(wparam), str(self.pid or 0),
                  timeout=60)

    def linux_path(self, windows):
        """A Windows path, environment variables expanded, as a Linux path."""
        out = self.wine('cmd', '/c', 'echo', windows, timeout=60).stdout.strip()
        if '%' in out:
            # A Wine session started again (after a test that ends its session) lacks the
            # variables its boot sets for the user's folders; they lie where Wine puts them.
            for name, folder in (('%LOCALAPPDATA%', r'%USERPROFILE%\AppData\Local'),
                                 ('%APPDATA%', r'%USERPROFILE%\AppData\Roaming')):
                windows = windows.replace(name, folder)
            out = self.wine('cmd', '/c', 'echo', windows, timeout=60).stdout.strip()
        if not out or '%' in out:
            raise Failure('cannot expand %s: %r' % (windows, out))
        return self.wine('winepath', '-u', out, timeout=60).stdout.strip()

    def language(self):
        out = self.wine('reg', 'query', PROFILE_KEY, '/v', 'Language', timeout=60).stdout
        for line in out.splitlines():
            if 'Language' in line:
                return int(line.split()[-1], 0)
        return None

    def start(self, hold=(), stderr=subprocess.DEVNULL):
        """Starts the wizard of the program folder. A test build holds at the test points in
        hold until released, and reports every point it passes (see reached)."""
        self.expect_no_programs()
        env = dict(os.environ)
        env.pop('KOVRA_TEST_HOLD', None)
        if hold:
            env['KOVRA_TEST_HOLD'] = ','.join(hold)
        self.process = subprocess.Popen([WINE_RUN, os.path.join(self.folder, 'kovradesk.exe')],
                                        cwd=self.folder, stdout=subprocess.DEVNULL,
                                        stderr=stderr, env=env)
        self.attach(os.path.join(self.folder, 'kovradesk.exe'))

    def attach(self, exe):
        """Watches the one wizard window there is, which must belong to the program exe (a
        Linux path), and finds its X window."""
        self.pid = None
        state = wait_for('the wizard window', lambda: (lambda s: s.get('count') == '1' and s)(
            self.probe()), 60)
        running = self.wine('winepath', '-u', state.get('exe', ''), timeout=60).stdout.strip()
        if not running or not os.path.samefile(running, exe):
            raise Failure('the wizard window belongs to %s, not to %s' % (state.get('exe'), exe))
        self.pid = int(state['pid'])
        self.xid = wait_for('its X window', self.find_x_window)
        time.sleep(1.0)  # first paint

    def forget(self):
        """The watched wizard has ended: the probe reports on any wizard from now on."""
        self.pid = None

    def press_start(self):
        """Start on the welcome screen, which opens step 1."""
        self.click_control('StartButton')
        self.expect_step(1)

    def find_x_window(self):
        xid = self.probe().get('xwindow', '0')
        if xid == '0':
            return None
        visible = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', '^' + re.escape(WIZARD_TITLE) + '$'],
                                 capture_output=True, text=True).stdout.split()
        return xid if xid in visible else None

    def click(self, x, y):
        subprocess.run(['xdotool', 'mousemove', '--window', self.xid, str(x), str(y),
                        'click', '1'], check=True)
        time.sleep(0.5)

    def keys(self, *names):
        for name in names:
            subprocess.run(['xdotool', 'key', name], check=True)
            time.sleep(0.3)
        time.sleep(0.5)

    def rect(self):
        return tuple(int(v) for v in self.probe()['rect'].split(','))

    def shot(self, name):
        self.count += 1
        left, top, right, bottom = self.rect()
        time.sleep(0.5)
        image = ImageGrab.grab(xdisplay=os.environ.get('DISPLAY'))
        image.crop((max(left - 40, 0), max(top - 40, 0), right + 40, bottom + 40)).save(
            os.path.join(self.shots, '%02d-%s.png' % (self.count, name)))

    def shot_screen(self, name):
        """A screenshot of the whole screen, for windows other than the wizard's."""
        self.count += 1
        time.sleep(0.5)
        ImageGrab.grab(xdisplay=os.environ.get('DISPLAY')).save(
            os.path.join(self.shots, '%02d-%s.png' % (self.count, name)))

    def page_click(self, x, y):
        """A click at a point given in page pixels (the pages sit below the step strip)."""
        self.click(x, PAGE_TOP + y)

    def click_control(self, name):
        """A click in the middle of a control, by its name in the skin's layout."""
        window = name in LAYOUT['window']
        left, top, right, bottom = LAYOUT['window' if window else 'page'][name]
        (self.click if window else self.page_click)((left + right) // 2, (top + bottom) // 2)

    def import_from_disk(self, step, path):
        """On the first screen of import step 1, 2 or 3: picks the file with "Browse..." and
        goes on to the screen that lists its invalid cameras."""
        if step == 1:
            self.page_click(135, 186)  # "Select previous output data from the computer"
            self.click_control('ImportBrowse')
        else:
            self.click_control('LaterImportBrowse')
        self.choose_file(path)
        self.wait_controls('the chosen file', enabled=[2003])
        self.shot('step%d-chosen' % step)
        self.click_control('ImportNext' if step == 1 else 'LaterImportNext')
        self.wait_controls('the correction screen', shown=[2055, 2007, 2008, 2009, 2010])
        self.shot('step%d-invalid' % step)

    def remove_all_and_save(self, step):
        """On the correction screen: "Remove all invalid data", then "Next >" to save and
        "Next >" once more to the next step."""
        next_button = 'ImportNext' if step == 1 else 'LaterImportNext'
        self.click_control('RemoveAll')
        self.wait_controls('every invalid camera removed', enabled=[2003])
        self.click_control(next_button)
        self.wait_controls('the saved corrections', hidden=[2055])
        self.click_control(next_button)
        self.expect_step(step + 1)

    def expect_step(self, step):
        page = str(2050 + step)
        wait_for('step %d' % step, lambda: {'2050', page} <= self.visible() and
                 not ({'2051', '2052', '2053', '2054'} - {page}) & self.visible())

    def expect_welcome(self):
        wait_for('the welcome screen', lambda: self.visible() == {'2003'})




def make_program_folder(files):
    """A fresh program folder holding copies of the given files. Its name, like the user's
    folders below, holds letters that no single ANSI code page has."""
    folder = tempfile.mkdtemp(prefix='kovradesk-e2e-Программа Ω-')
    for path in files:
        shutil.copy(path, folder)
    return folder


def user_files(samples):
    """A user's folder with copies of the sample base workbook and partner file and an empty
    destination folder: (folder, destination, base workbook, partner file)."""
    user = tempfile.mkdtemp(prefix='kovradesk-user-Папка Φάκελος-')
    dest = os.path.join(user, 'карта 日本')
    os.makedirs(dest)
    base = os.path.join(user, 'база.xls')
    partner = os.path.join(user, 'партнёр.txt')
    shutil.copy(os.path.join(samples, 'base_data.xls'), base)
    shutil.copy(os.path.join(samples, 'partner_cameras.txt'), partner)
    return user, dest, base, partner


def windows_path(path):
    """The path as the Windows programs under Wine see it."""
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def scenario_main(run):
    """Runs a scenario with the files the tests hand to every scenario; exit 1 on a failure."""
    parser = argparse.ArgumentParser()
    for name in ('exe', 'rawconv', 'rus', 'probe', 'shots', 'samples'):
        parser.add_argument('--' + name, required=True)
    parser.add_argument('--data', nargs='*', default=[])
    args = parser.parse_args()
    os.makedirs(args.shots, exist_ok=True)
    try:
        sys.exit(run(args) or 0)
    except Failure as failure:
        print('FAILED:', failure)
        # A failure while cleaning up must not hide the one that came first.
        if failure.__context__ is not None:
            print('  after:', repr(failure.__context__))
        sys.exit(1)
