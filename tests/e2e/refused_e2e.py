#!/usr/bin/env python3
"""A conversion the converter refuses, in kovradesk.exe under Wine and Xvfb: the partner step
is skipped while its invalid cameras are still listed, so they reach the converter, which
writes its error log. The wizard shows the log with "Try Again", no speed.raw reaches the
destination folder, and "Try Again" leads back to the first screen of step 1."""
import os
import shutil

from wizard_driver import Failure, Wizard, make_program_folder, scenario_main, user_files, \
    windows_path


def run(args):
    folder = make_program_folder([args.exe, args.rawconv, args.rus] + args.data)
    user, dest, base_path, partner_path = user_files(args.samples)

    wizard = Wizard(folder, args.probe, args.shots)
    wizard.reset_profile(windows_path(dest))
    try:
        wizard.start()
        wizard.press_start()
        wizard.import_from_disk(1, windows_path(base_path))
        wizard.remove_all_and_save(1)

        wizard.import_from_disk(2, windows_path(partner_path))
        wizard.click_control('Skip')  # with two invalid partner cameras left as they are
        wizard.expect_step(3)
        wizard.click_control('Skip')
        wizard.expect_step(4)
        wizard.click_control('Convert')
        wizard.wait_controls('the duplicate group', shown=[1005, 1006])
        wizard.click_control('NextSet')  # keeping the first camera
        wizard.wait_controls('the error log', shown=[1010, 1008], timeout=180)
        wizard.shot('refused')
        if os.path.exists(os.path.join(dest, 'speed.raw')):
            raise Failure('speed.raw reached the destination folder after a refused conversion')
        log = open(os.path.join(folder, 'ErrorLogFile.txt'), 'rb').read()
        if not log:
            raise Failure('the converter wrote no error log')

        wizard.click_control('TryAgain')
        wizard.expect_step(1)
        wizard.wait_controls('the first screen of step 1', shown=[1000, 1001, 1002, 1003, 2003],
                             hidden=[2055])
        wizard.shot('try-again')
        wizard.close_with_button()
    finally:
        wizard.close()
        shutil.rmtree(folder, ignore_errors=True)
        shutil.rmtree(user, ignore_errors=True)


if __name__ == '__main__':
    scenario_main(run)
