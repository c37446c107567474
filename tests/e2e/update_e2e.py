#!/usr/bin/env python3
"""Check for Update in kovradesk.exe under Wine and Xvfb against a local server
(KOVRA_SERVER_URL) that announces a newer version and serves our own setup.exe: the
"Checking for update..." box, the download box with its progress, the wizard ending itself and
the installer it started (the version file is signed by the tests' key, which this build of the
wizard trusts); the installer is taken through its pages, installs the package into
the user's programs folder, starts the installed wizard, and is then uninstalled silently."""
import hashlib
import os
import shutil
import subprocess
import tempfile

from wizard_driver import Failure, Wizard, make_program_folder, scenario_main, wait_for

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, '..', 'update', 'server.py')
ROOT = os.path.abspath(os.path.join(HERE, '..', '..'))
SETUP_KEY = r'HKCU\Software\Orvel Systems Inc.\Kovra Converter Setup'
UNINSTALL_KEY = r'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KovraConverter'


def build_setup(work, files):
    package = os.path.join(work, 'package')
    os.makedirs(package)
    for path in files:
        shutil.copy(path, package)
    setup = os.path.join(work, 'setup.exe')
    subprocess.run([os.path.join(ROOT, 'tools', 'make-setup.sh'), package, setup], check=True,
                   stdout=subprocess.DEVNULL)
    return setup


NEXT, FOLDER_FIELD = 1, 1019  # the installer's Next/Install/Finish button, its folder field


def installer_button(wizard, control):
    """None when the installer shows no such control, else whether it takes clicks."""
    out = wizard.wine(wizard.probe_exe, 'control', 'setup.exe', str(control), timeout=60)
    return None if out.returncode != 0 else 'enabled=1' in out.stdout


def installer_window(wizard):
    """The installer's window: its title names the product and ends in "Setup"."""
    out = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', 'Converter Setup'],
                         capture_output=True, text=True).stdout.split()
    return out[0] if out else None


def run(args):
    if not shutil.which('makensis'):
        print('makensis is not installed: skipped')
        return 77
    work = tempfile.mkdtemp(prefix='kovradesk-update-')
    data = [args.exe, args.rawconv, args.rus] + args.data
    folder = make_program_folder(data)
    wizard = Wizard(folder, args.probe, args.shots)
    wizard.reset_profile()
    # Where the installation goes, asked once before anything runs: a question to Wine while the
    # installer is busy need not be answered.
    program = installed_path(wizard)
    # An installation's keys left in the prefix name its folder, which the installer would
    # take instead of the user's programs folder where this scenario looks.
    for key in (SETUP_KEY, UNINSTALL_KEY):
        wizard.wine('reg', 'delete', key, '/f', timeout=60)
    try:
        setup = build_setup(work, data)
        www = os.path.join(work, 'server', 'www')
        os.makedirs(os.path.join(www, 'dvr', 'pctool', 'ru'))
        shutil.copy(setup, os.path.join(www, 'setup.exe'))
        with open(os.path.join(www, 'setup.exe.mode'), 'w') as f:
            f.write('slow')  # about ten seconds for the download box to show its progress
        subprocess.run(['/usr/bin/python3', SERVER, 'start', os.path.join(work, 'server')],
                       check=True, stdout=subprocess.DEVNULL)
        port = int(open(os.path.join(work, 'server', 'port')).read())
        digest = hashlib.sha256(open(setup, 'rb').read()).hexdigest()
        version = os.path.join(www, 'dvr', 'pctool', 'ru', 'version.ini')
        with open(version, 'w') as f:
            f.write('[RU Ruvovid]\r\nversion=1.0.11.0\r\nURL=http://127.0.0.1:%d/setup.exe\r\n'
                    'sha256=%s\r\n' % (port, digest))
        # Signed as the publisher signs a release, with the key this build of the wizard trusts.
        subprocess.run(['/usr/bin/python3', os.path.join(ROOT, 'tools', 'sign-version'),
                        os.path.join(ROOT, 'tests', 'update', 'test_key.pem'), version], check=True)
        os.environ['KOVRA_SERVER_URL'] = 'http://127.0.0.1:%d' % port
        os.environ['WINEDLLOVERRIDES'] = 'mscoree,mshtml,winemenubuilder.exe='

        # Held with the checking box up, before the version file is asked for; then held again
        # as the installer's transfer begins, with the download box on its way.
        wizard.start(hold=('checking', 'update-download'))
        wizard.click(163, 47)  # Info
        wizard.keys('Down', 'Return')  # Check for Update
        wizard.reached('checking')
        wait_for('the checking box', lambda: wizard.probe().get('messagebox') == '1', 30)
        wizard.shot('checking')
        wizard.release('checking')
        wizard.reached('update-download')
        wait_for('the download box', lambda: wizard.probe().get('messagebox') == '1', 60)
        wizard.shot('downloading')
        wizard.release('update-download')
        wizard.process.wait(timeout=120)  # the wizard ends itself once the installer runs
        wizard.forget()
        log = open(os.path.join(work, 'server', 'requests.log')).read()
        if '/dvr/pctool/ru/version.ini' not in log or '/setup.exe' not in log:
            raise Failure('unexpected requests: %s' % log)

        try:
            wait_for('the installer', lambda: installer_window(wizard), 60)
        except Failure:
            names = [subprocess.run(['xdotool', 'getwindowname', w], capture_output=True,
                                    text=True).stdout.strip()
                     for w in subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', '.'],
                                             capture_output=True, text=True).stdout.split()]
            wizard.shot_screen('no-installer')
            raise Failure('no installer window among %s' % names)
        # The installer's buttons are pressed through the probe: without a window manager, keys
        # need not reach a window the user has not clicked.
        wait_for('the Install button', lambda: installer_button(wizard, NEXT), 30)
        wizard.shot_screen('installer')
        def installation_done():
            # Install, again while the folder page is still on show: a busy installer may not
            # have taken the first press.
            if installer_button(wizard, FOLDER_FIELD) is not None:
                wizard.wine(wizard.probe_exe, 'press', 'setup.exe', str(NEXT), timeout=60)
                return False
            return os.path.exists(os.path.join(program, 'uninstall.exe')) and \
                installer_button(wizard, NEXT)
        try:
            wait_for('the installation', installation_done, 120)
        except Failure:
            wizard.shot_screen('no-installation')
            raise Failure('no installation: folder page %s, button %s, %s %s' % (
                installer_button(wizard, FOLDER_FIELD), installer_button(wizard, NEXT),
                os.path.join(program, 'uninstall.exe'),
                'exists' if os.path.exists(os.path.join(program, 'uninstall.exe')) else 'missing'))
        wizard.shot_screen('installer-finish')

        def installed_wizard_up():
            if wizard.probe().get('count') == '1':
                return True
            # Next, when the pages do not move on by themselves, then Finish; the installer may
            # end between the look and the press.
            if installer_button(wizard, NEXT):
                wizard.wine(wizard.probe_exe, 'press', 'setup.exe', str(NEXT), timeout=60)
            return False
        wait_for('the installed wizard', installed_wizard_up, 120)
        installed = os.path.join(program, 'kovradesk.exe')
        wizard.attach(installed)
        if open(installed, 'rb').read() != open(args.exe, 'rb').read():
            raise Failure('the installed kovradesk.exe is not the one in setup.exe')
        wizard.shot('installed-wizard')
    finally:
        subprocess.run(['/usr/bin/python3', SERVER, 'stop', os.path.join(work, 'server')])
        try:
            wizard.close()
        finally:
            uninstall(wizard, program)
            shutil.rmtree(folder, ignore_errors=True)
            shutil.rmtree(work, ignore_errors=True)
    return 0


def uninstall(wizard, program):
    """Takes the installation away as the user would, then what the uninstaller keeps of the
    user's (the folders the installed wizard filled), and checks that the prefix holds nothing
    of it any more: no program folder, no Start-menu entry, no keys, no running program."""
    uninstaller = os.path.join(program, 'uninstall.exe')
    if os.path.exists(uninstaller):
        wizard.wine(uninstaller, '/S', timeout=120)
        # It copies itself away and returns at once: wait for its work.
        wait_for('the uninstaller', lambda: not os.path.exists(uninstaller) and
                 not wizard.programs(), 120)
    wizard.end_programs()
    shutil.rmtree(program, ignore_errors=True)
    for key in (SETUP_KEY, UNINSTALL_KEY):
        wizard.wine('reg', 'delete', key, '/f', timeout=60)
    left = [path for path in (program, start_menu(wizard)) if os.path.exists(path)]
    left += [key for key in (SETUP_KEY, UNINSTALL_KEY)
             if wizard.wine('reg', 'query', key, timeout=60).returncode == 0]
    if left:
        raise Failure('the update left behind: %s' % ', '.join(left))


def start_menu(wizard):
    """The installer's Start-menu folder, as a Linux path."""
    return os.path.join(wizard.linux_path('%APPDATA%'), 'Microsoft', 'Windows', 'Start Menu',
                        'Programs', 'Kovra Converter')


def installed_path(wizard):
    """The installation's folder in the user's programs folder, as a Linux path."""
    local = wizard.linux_path('%LOCALAPPDATA%')
    if not os.path.isabs(local):
        raise Failure('no local application data folder: %r' % local)
    return os.path.join(local, 'Programs', 'Kovra Converter')


if __name__ == '__main__':
    scenario_main(run)
