#!/usr/bin/env bash
# Regenerates the camera workbook fixtures (LibreOffice headless).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
tools=$here/../../../tools
"$tools/make_template.py" "$here/no_note.xls" --only data
"$tools/make_template.py" "$here/no_data.xls" --only note
