#!/usr/bin/env python3
"""The latest base data downloaded in kovradesk.exe under Wine and Xvfb from a local server
(KOVRA_SERVER_URL): the progress bar while it arrives, the closing notice, the import with its
invalid cameras; then, in a second run, a download cancelled half way that returns the page to
its first screen without a message. The wizard (its test build) is held in the transfer while
the progress is looked at and while the cancel is taken."""
import os
import shutil
import subprocess
import tempfile

from wizard_driver import Failure, Wizard, make_program_folder, scenario_main, wait_for

HERE = os.path.dirname(os.path.abspath(__file__))



def start_server(root):
    port_file = os.path.join(root, 'port')
    server = subprocess.Popen(['/usr/bin/python3', os.path.join(HERE, '..', 'wizard', 'http_server.py'),
                               '--root', root, '--port-file', port_file, '--lifetime', '600'])
    try:
        wait_for('the local server', lambda: os.path.exists(port_file), 30)
        return server, int(open(port_file).read())
    except BaseException:
        server.kill()
        raise


def run(args):
    folder = make_program_folder([args.exe, args.rus] + args.data)
    root = tempfile.mkdtemp(prefix='kovradesk-server-')
    os.makedirs(os.path.join(root, 'dvr', 'Kovra R7', 'rus'))
    shutil.copy(os.path.join(args.samples, 'base_data.xls'), os.path.join(root, 'base_data.xls'))
    wizard = Wizard(folder, args.probe, args.shots)
    wizard.reset_profile()
    # Without a folder of its own, the download lands in the user's Documents folder, in a
    # folder of the program's.
    downloaded = os.path.join(wizard.linux_path('%USERPROFILE%'), 'Documents', 'Base data',
                              'base_data.xls')
    server = None
    try:
        server, port = start_server(root)
        with open(os.path.join(root, 'dvr', 'Kovra R7', 'rus', 'BaseFile.ini'), 'w') as f:
            f.write('[ActiveBaseFil]\r\nURL=http://127.0.0.1:%d/base_data.xls\r\n' % port)
        os.environ['KOVRA_SERVER_URL'] = 'http://127.0.0.1:%d' % port

        wizard.start(hold=('download',))
        wizard.press_start()
        wizard.click_control('ImportNext')  # with "download the latest data" chosen
        wizard.reached('download')
        wizard.wait_controls('the download', shown=[1004, 2006], hidden=[2003, 2004])
        wizard.shot('downloading')
        wizard.release('download')
        wait_for('the closing notice', lambda: wizard.probe().get('messagebox') == '1', 120)
        wizard.shot('downloaded')
        wizard.keys('Return')
        wizard.wait_controls('the imported cameras to correct', shown=[2055, 2007], hidden=[1004, 2006])
        wizard.shot('imported')
        requests = open(os.path.join(root, 'requests.log')).read().split()
        if requests[:2] != ['/dvr/Kovra%20R7/rus/BaseFile.ini', '/base_data.xls']:
            raise Failure('unexpected requests: %s' % requests)
        # Stored in the program's own folder of the user's Documents, whole.
        with open(downloaded, 'rb') as f, open(os.path.join(root, 'base_data.xls'), 'rb') as g:
            if f.read() != g.read():
                raise Failure('the stored workbook is not what the server sent')
        wizard.close_with_button()

        # Second run: cancelled while the workbook arrives.
        wizard.start(hold=('download',))
        wizard.press_start()
        wizard.click_control('ImportNext')
        wizard.reached('download')
        wizard.wait_controls('the download', shown=[1004, 2006])
        wizard.click_control('CancelDownload')
        wizard.reached('cancel-download')
        wizard.release('download')
        # The page goes back on the transfer's own answer, the only one it gives: a box would
        # have come instead of the first screen.
        wizard.wait_controls('the first screen again', shown=[1000, 1001, 2003, 2004],
                             hidden=[1004, 2006])
        if wizard.probe().get('messagebox') != '0':
            raise Failure('a message box after a cancelled download')
        wizard.shot('cancelled')
        wizard.close_with_button()

        # Third run: no configuration on the server. The wizard stays responsive while it is
        # asked for, then says so and is back on the first screen.
        os.remove(os.path.join(root, 'dvr', 'Kovra R7', 'rus', 'BaseFile.ini'))
        wizard.start()
        wizard.press_start()
        wizard.click_control('ImportNext')
        wait_for('the no-server notice', lambda: wizard.probe().get('messagebox') == '1', 120)
        wizard.shot('no-server')
        wizard.keys('Return')
        wizard.wait_controls('the first screen again', shown=[1000, 1001, 2003, 2004],
                             hidden=[1004, 2006])
        if os.path.exists(os.path.dirname(downloaded)) and \
                sorted(os.listdir(os.path.dirname(downloaded))) != ['base_data.xls']:
            raise Failure('files left in the download folder: %s'
                          % os.listdir(os.path.dirname(downloaded)))
        wizard.close_with_button()
    finally:
        if server:
            server.terminate()
            server.wait(timeout=30)
        wizard.close()
        if os.path.exists(downloaded):
            os.remove(downloaded)
        shutil.rmtree(folder, ignore_errors=True)
        shutil.rmtree(root, ignore_errors=True)


if __name__ == '__main__':
    scenario_main(run)
