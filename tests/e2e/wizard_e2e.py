#!/usr/bin/env python3
"""Drives kovradesk.exe under Wine and Xvfb the way a person does: welcome screen, Start, the
four steps forward and back, keys that must not close it, both languages through the menu bar,
About, dragging, minimizing and a second start. A screenshot of each state is kept."""
import os
import shutil
import subprocess

from wizard_driver import UM_STEP_BACK, UM_STEP_NEXT, Failure, Wizard, \
    make_program_folder, scenario_main, wait_for


def run(args):
    folder = make_program_folder([args.exe, args.rus] + args.data)
    wizard = Wizard(folder, args.probe, args.shots)
    wizard.reset_profile()
    try:
        wizard.start()
        wizard.expect_welcome()
        if not os.path.isfile(os.path.join(folder, 'Template', 'UserCustomizedTemplate.xls')):
            raise Failure('the template was not handed out')
        if not os.path.isdir(os.path.join(folder, 'History')):
            raise Failure('no History folder')
        wizard.shot('welcome')

        wizard.press_start()
        wizard.shot('step1')
        # The pages move the wizard on with the same messages once their work is done.
        for step in (2, 3, 4):
            wizard.post(UM_STEP_NEXT)
            wizard.expect_step(step)
            wizard.shot('step%d' % step)
        wizard.post(UM_STEP_NEXT)  # one more "next" in the last step changes nothing
        wizard.sync()
        wizard.expect_step(4)
        for step in (3, 2, 1):
            wizard.post(UM_STEP_BACK)
            wizard.expect_step(step)
        wizard.click_control('ImportBack')  # step 1's first screen: welcome
        wizard.expect_welcome()
        wizard.press_start()
        wizard.post(UM_STEP_NEXT)
        wizard.post(UM_STEP_NEXT)
        wizard.expect_step(3)
        wizard.post(UM_STEP_BACK, -1)  # "Try Again": step 1 again
        wizard.expect_step(1)

        # Neither Enter, Escape nor the platform's close request ends the wizard.
        subprocess.run(['xdotool', 'windowfocus', wizard.xid])
        # The keys come before the menu clicks below, which they would otherwise not reach.
        wizard.keys('Return', 'Escape', 'alt+F4')
        wizard.post(0x0010)  # WM_CLOSE
        wizard.sync()
        if wizard.probe().get('count') != '1' or wizard.process.poll() is not None:
            raise Failure('the wizard closed on Enter, Escape or a close request')
        wizard.expect_step(1)

        wizard.click(59, 47)  # the "Language" header
        wizard.keys('Down', 'Down', 'Return')
        wait_for('Russian stored', lambda: wizard.language() == 1)
        wizard.shot('step1-russian')
        wizard.click(59, 47)
        wizard.keys('Down', 'Return')
        wait_for('English stored', lambda: wizard.language() == 0)
        wizard.shot('step1-english')

        wizard.click(163, 47)  # the "Info" header: Check for Update, About
        wizard.keys('Down', 'Down', 'Return')
        wait_for('the About box', lambda: wizard.probe().get('messagebox') == '1')
        wizard.shot('about')
        wizard.keys('Return')
        wait_for('the About box to close', lambda: wizard.probe().get('messagebox') == '0')

        before = wizard.rect()
        subprocess.run(['xdotool', 'mousemove', '--window', wizard.xid, '400', '15',
                        'mousedown', '1', 'mousemove_relative', '--', '60', '40', 'mouseup', '1'],
                       check=True)
        after = wait_for('the window to move', lambda: wizard.rect() != before and wizard.rect())
        if (after[0] - before[0], after[1] - before[1]) != (60, 40) or \
                (after[2] - after[0], after[3] - after[1]) != (860, 600):
            raise Failure('dragging moved the window from %s to %s' % (before, after))

        wizard.click_control('MinimizeButton')
        wait_for('the window to minimize', lambda: wizard.probe().get('iconic') == '1')
        second = wizard.wine(os.path.join(folder, 'kovradesk.exe'), cwd=folder, timeout=60)
        if second.returncode != 0:
            raise Failure('the second start ended with %d' % second.returncode)
        state = wait_for('the first wizard to come back',
                         lambda: (lambda s: s.get('iconic') == '0' and s)(wizard.probe()))
        if state.get('count') != '1':
            raise Failure('a second wizard window appeared')
        wizard.shot('raised-after-second-start')

        wizard.click_control('CloseButton')
        wizard.process.wait(timeout=30)
        if wizard.probe().get('count') != '0':
            raise Failure('the wizard is still there after its close button')
    finally:
        wizard.close()
        shutil.rmtree(folder, ignore_errors=True)
    print('screenshots in', args.shots)


if __name__ == '__main__':
    scenario_main(run)
