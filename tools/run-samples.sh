#!/usr/bin/env bash
# Runs the pipeline on the bundled samples with the Linux tools: the sources are imported and
# checked, then the converter turns a conversion workbook into speed.raw.
set -eu
cd "$(dirname "$0")/.."
bin=build/native
out=build/samples
mkdir -p "$out"

echo "\$ kovracli import --partner samples/partner_cameras.txt --types 1,2,3,4,5"
"$bin/cli/kovracli" import --partner samples/partner_cameras.txt --types 1,2,3,4,5 | python3 tools/samples_report.py set
echo "\$ kovracli import --base samples/base_data.xls"
"$bin/cli/kovracli" import --base samples/base_data.xls | python3 tools/samples_report.py set

# rawconv writes its files beside itself.
cp "$bin/rawconv/rawconv" "$out/rawconv"
echo "\$ rawconv samples/base_data.xls        (the converter refuses invalid rows)"
"$out/rawconv" samples/base_data.xls >/dev/null && echo "  unexpected success" || echo "  exit status $?"
sed 's/^/  | /' "$out/ErrorLogFile.txt"

echo "\$ kovracli convert --base samples/base_data.xls --partner samples/partner_cameras.txt \\"
echo "      --custom samples/custom_data.xls --drop-invalid --keep step2 --out $out/convert"
rm -rf "$out/convert"
"$bin/cli/kovracli" convert --base samples/base_data.xls --partner samples/partner_cameras.txt \
    --custom samples/custom_data.xls --drop-invalid --keep step2 --out "$out/convert" | sed 's/^/  /'
head -n 5 "$out/convert/SuccessLogFile.txt" | sed 's/^/  | /'
echo "  | ..."
echo "\$ kovracli dump-raw $out/convert/speed.raw   (first records)"
"$bin/cli/kovracli" dump-raw "$out/convert/speed.raw" | python3 tools/samples_report.py raw
