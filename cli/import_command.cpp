// kovracli import: reads a base-data or customized workbook, or a partner text file, as the
// wizard's import steps do and prints the camera set as JSON.
#include <cstdio>

#include "base/file_io.h"
#include "camdata/cam_workbook.h"
#include "camdata/camera_list.h"
#include "camdata/partner_text.h"
#include "camdata/speed_cam_data_set.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "exchange/cam_csv.h"
#include "spreadsheet/excel_file.h"

namespace {


std::string SetToJson(const CSpeedCamDataSet& set, const CCameraListMemory& listed) {
    std::string out;
    JsonWriter j(out);
    j.BeginObject();
    j.Key("title").String(set.m_strTitle);
    j.Key("comment").String(set.m_strComment);
    j.Key("types").String(set.m_strCameraTypes);
    j.Key("descriptions").BeginArray();
    for (const std::wstring& d : set.m_strDescription) j.String(d);
    j.EndArray();
    j.Key("records").BeginArray();
    std::vector<const CSpeedCamData*> order;
    for (POSITION pos = set.m_camList.GetHeadPosition(); pos;) {
        const CSpeedCamData* c = set.m_camList.GetNext(pos);
        order.push_back(c);
        j.BeginObject();
        j.Key("lat").Double(c->m_dLatitude);
        j.Key("lon").Double(c->m_dLongitude);
        j.Key("bearing").Int(c->m_nBearingAngle);
        j.Key("speed").Int(c->m_nSpeedLimit);
        j.Key("type").Int(c->m_nCameraType);
        j.Key("dir").Int(c->m_nDirType);
        j.Key("valid").BeginArray();
        for (int16_t v : c->m_bValid) j.Int(v);
        j.EndArray();
        j.Key("marks").BeginArray();
        for (int16_t v : c->m_bWasInvalid) j.Int(v);
        j.EndArray();
        j.EndObject();
    }
    j.EndArray();
    // Listed records in list order; both walks are in list order, so one pass matches them.
    j.Key("listed").BeginArray();
    size_t k = 0;
    for (size_t i = 0; i < order.size() && k < listed.m_items.size(); ++i)
        if (order[i] == listed.m_items[k]) j.Int(int64_t(i)), ++k;
    j.EndArray();
    j.EndObject();
    out += '\n';
    return out;
}

int ImportUsage() {
    std::fprintf(stderr,
                 "usage: kovracli import --base FILE.xls\n"
                 "       kovracli import --custom FILE.xls [--types LIST]\n"
                 "       kovracli import --custom FILE.csv [--types LIST]\n"
                 "       kovracli import --partner FILE.txt [--types LIST]\n");
    return 2;
}

}  // namespace

int RunImport(const Args& args) {
    std::string kind, file, types;
    bool haveTypes = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--base" || a == "--custom" || a == "--partner") && i + 1 < args.size() && kind.empty()) {
            kind = a.substr(2);
            file = args[++i];
        } else if (a == "--types" && i + 1 < args.size() && !haveTypes) {
            types = args[++i];
            haveTypes = true;
        } else {
            return ImportUsage();
        }
    }
    if (kind.empty() || (kind == "base" && haveTypes)) return ImportUsage();

    CSpeedCamDataSet set;
    CCameraListMemory listed;
    const std::wstring path = kovra::FromUtf8(file);
    const std::wstring typeList = kovra::FromUtf8(types);
    if (kind == "custom" && exchange::IsCamCsvFile(path)) {
        // A customized CSV file: the values that fail are named with their line and column.
        exchange::CamCsvReport report;
        if (!exchange::ImportCamCsv(typeList, &listed, path, &set, &report)) {
            std::fprintf(stderr, "kovracli: %s: %s\n", file.c_str(), report.error.c_str());
            return 1;
        }
        for (const exchange::CsvValueProblem& p : report.problems)
            std::fprintf(stderr, "kovracli: %s: %s\n", file.c_str(),
                         exchange::DescribeProblem(p).c_str());
        WriteStdout(SetToJson(set, listed));
        return 0;
    }
    const bool ok = kind == "partner" ? ImportPartnerText(typeList, path, &set, &listed)
                                      : ImportCamWorkbook(typeList, &listed, path, &set);
    if (!ok) {
        std::fprintf(stderr, "The file format is invalid.\n");
        // A workbook the library refused: say why.
        ExcelFile probe;
        if (kind != "partner" && !probe.OpenFile(path))
            std::fprintf(stderr, "kovracli: %s: %s\n", file.c_str(), probe.FailureText().c_str());
        return 1;
    }
    WriteStdout(SetToJson(set, listed));
    return 0;
}
