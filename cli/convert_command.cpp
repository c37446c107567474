// kovracli convert: the wizard's road without the wizard. Drives the same conversion session,
// dealing with invalid records and duplicates by the options instead of by asking, and runs the
// converter core on the conversion workbook.
#include <cstdio>
#include <cstdlib>

#include "base/file_io.h"
#include "base/paths.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "rawconv/converter.h"
#include "session/conversion_session.h"

namespace {

const char* const kSourceNames[3] = {"base", "partner", "custom"};
const char* const kColumnNames[CamColumnCount] = {"latitude", "longitude", "bearing", "speed", "type", "dir"};

struct Options {
    std::string source[3];  // file per source, empty when skipped
    int keep = -1;          // source kept in every duplicate group, -1: each group's first
    bool dropInvalid = false;
    int model = 0;          // 0: no model named
    std::string out;
    bool json = false;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: kovracli convert [--base F.xls] [--partner F.txt] [--custom F.xls|F.csv]\n"
                 "                        [--keep step1|step2|step3] [--drop-invalid] [--model N]\n"
                 "                        --out DIR [--json]\n");
    return 2;
}

bool Parse(const Args& args, Options* o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((a == "--base" || a == "--partner" || a == "--custom") && hasValue) {
            const int s = a == "--base" ? 0 : a == "--partner" ? 1 : 2;
            o->source[s] = args[++i];
        } else if (a == "--keep" && hasValue) {
            const std::string& v = args[++i];
            if (v != "step1" && v != "step2" && v != "step3") return false;
            o->keep = v[4] - '1';
        } else if (a == "--model" && hasValue) {
            o->model = std::atoi(args[++i].c_str());
            if (o->model < 1) return false;
        } else if (a == "--out" && hasValue) {
            o->out = args[++i];
        } else if (a == "--drop-invalid") {
            o->dropInvalid = true;
        } else if (a == "--json") {
            o->json = true;
        } else {
            return false;
        }
    }
    return !o->out.empty() && !(o->source[0].empty() && o->source[1].empty() && o->source[2].empty());
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "kovracli: %s\n", message.c_str());
    return 1;
}

std::string ReadLog(const std::string& path) {
    std::vector<uint8_t> bytes;
    kovra::ReadWholeFile(path, bytes);
    return std::string(bytes.begin(), bytes.end());
}

// The converter core in this process, writing into the output folder.
struct CoreLauncher : IConverterLauncher {
    explicit CoreLauncher(const std::string& folder) : out(folder) {}
    bool Start(const std::wstring&, const std::wstring& workbook) override {
        result = rawconv::Convert(kovra::ToUtf8(workbook), out);
        return true;
    }
    std::string out;
    rawconv::RunResult result;
};

std::string Trim(std::wstring s) {
    while (!s.empty() && s.front() == L' ') s.erase(s.begin());
    return kovra::ToUtf8(s);
}

}  // namespace

int RunConvert(const Args& args) {
    Options o;
    if (!Parse(args, &o)) return Usage();

    const std::wstring out = kovra::FromUtf8(o.out);
    if (!kovra::CreateFolder(out) || !kovra::CreateFolder(kovra::JoinPath(out, L"\\History")))
        return Fail("cannot create the output folder " + o.out);

    std::wstring modelName;
    if (o.model > 0) {
        // The model list beside the program, as the wizard has it.
        ConverterFiles files;
        if (!ModelConverter(kovra::GetProgramFolderW(), o.model, &files, &modelName))
            return Fail("there is no model " + std::to_string(o.model) + " in " +
                        kovra::ToUtf8(kovra::JoinPath(kovra::GetProgramFolderW(), L"\\Setting.ini")));
        const std::wstring exeName = kovra::FileNameOf(files.exe);
        if (exeName != L"rawconv.exe" && exeName != L"rawconv")
            return Fail("model " + std::to_string(o.model) + " uses the converter " + kovra::ToUtf8(files.exe) +
                        ", which kovracli cannot run");
    }

    // 1. Imports in the wizard's order; the later steps test types against the base list.
    ConversionSession session(out);
    bool haveWorkbook = false;
    for (int s = 0; s < 3; ++s) {
        if (o.source[s].empty()) continue;
        switch (session.Import(s, kovra::FromUtf8(o.source[s]))) {
            case ImportedSource::kInvalidFile:
                return Fail(o.source[s] + ": " +
                            (session.Source(s).problem.empty() ? "The file format is invalid." : session.Source(s).problem));
            case ImportedSource::kNoCameras: return Fail(o.source[s] + ": Incorrect data format.");
            case ImportedSource::kImported: break;
        }
        if (s != 1 && !session.Source(s).csv) haveWorkbook = true;
    }
    if (!haveWorkbook)
        return Fail("a base-data or customized workbook is needed: the conversion workbook is made from it");
    const ptrdiff_t imported[3] = {session.Set(0).GetCount(), session.Set(1).GetCount(), session.Set(2).GetCount()};

    // 2. Invalid records: listed and refused, or removed as "Remove all invalid data" does.
    int invalid = 0;
    std::string invalidList;
    for (int s = 0; s < 3; ++s) {
        const ImportedSource& source = session.Source(s);
        int index = 0;
        for (POSITION pos = source.set.m_camList.GetHeadPosition(); pos; ++index) {
            CSpeedCamData* c = source.set.m_camList.GetNext(pos);
            if (c->IsValid()) continue;
            ++invalid;
            for (int col = 0; col < CamColumnCount; ++col) {
                if (c->m_bValid[col]) continue;
                const std::string where = !source.lines.empty() ? "line " + std::to_string(source.lines[size_t(index)])
                                                                : "row " + std::to_string(index + 2);
                invalidList += std::string("  ") + kSourceNames[s] + " " + o.source[s] + ", " + where + ", " +
                               kColumnNames[col] + ": " + Trim(c->GetValueText(col)) + "\n";
            }
        }
        if (o.dropInvalid) {
            session.RemoveAllInvalid(s);
            session.DropRemoved(s);
        }
    }
    if (invalid > 0 && !o.dropInvalid) {
        std::fprintf(stderr, "kovracli: %d camera%s with invalid values (nothing was written; "
                     "--drop-invalid removes them):\n%s", invalid, invalid == 1 ? "" : "s", invalidList.c_str());
        return 1;
    }

    // 3. Duplicates: one camera kept per group, as the wizard's choice keeps it. After the
    // last group the session writes the conversion workbook in History and starts the
    // converter core on it, here and now.
    const ptrdiff_t beforeFilter = session.Set(0).GetCount() + session.Set(1).GetCount() + session.Set(2).GetCount();
    CoreLauncher core(o.out);
    session.SetLauncher(&core);
    session.ChooseConverter(ConverterFiles{L"rawconv", L"", L"", L""});
    session.SetAlwaysSelect(o.keep >= 0);
    session.Convert();
    const int groups = session.ConvertStateOf().groupCount;
    while (session.GetScreen() == ConversionSession::kChoosing) session.NextSet(o.keep);
    const ptrdiff_t afterFilter = session.Set(0).GetCount() + session.Set(1).GetCount() + session.Set(2).GetCount();

    // 4. The converter's result.
    const std::wstring history = session.Workbook();
    if (history.empty()) return Fail("cannot write the conversion workbook in " + o.out + "/History");
    const rawconv::RunResult& r = core.result;
    session.OnConverterAnswer(session.ConverterRun(), r.outcome == rawconv::Outcome::Success);
    if (r.outcome != rawconv::Outcome::Success) {
        std::fprintf(stderr, "kovracli: the converter refused the conversion workbook %s:\n%s",
                     kovra::ToUtf8(history).c_str(), ReadLog(r.errorLogPath).c_str());
        return rawconv::ExitCode(r.outcome);
    }

    // 5. Summary.
    std::string text;
    if (o.json) {
        JsonWriter j(text);
        j.BeginObject().Key("sources").BeginObject();
        for (int s = 0; s < 3; ++s) j.Key(kSourceNames[s]).Int(imported[s]);
        j.EndObject();
        j.Key("invalid").Int(invalid).Key("removed").Int(o.dropInvalid ? invalid : 0);
        j.Key("duplicate_groups").Int(groups).Key("duplicates_removed").Int(beforeFilter - afterFilter);
        j.Key("cameras").Int(r.cameras);
        j.Key("model").String(modelName);
        j.Key("workbook").String(history);
        j.Key("speed_raw").String(r.speedRawPath);
        j.EndObject();
        text += '\n';
    } else {
        char line[512];
        std::snprintf(line, sizeof line, "cameras imported: %td base data, %td partner, %td customized\n",
                      imported[0], imported[1], imported[2]);
        text += line;
        std::snprintf(line, sizeof line, "invalid: %d (%d removed)\nduplicate groups: %d (%td cameras removed)\n",
                      invalid, o.dropInvalid ? invalid : 0, groups, beforeFilter - afterFilter);
        text += line;
        if (!modelName.empty()) text += "model: " + kovra::ToUtf8(modelName) + "\n";
        text += "conversion workbook: " + kovra::ToUtf8(history) + "\n";
        std::snprintf(line, sizeof line, "cameras written: %d\n", r.cameras);
        text += line;
        text += "camera file: " + r.speedRawPath + "\n";
    }
    WriteStdout(text);
    return 0;
}
