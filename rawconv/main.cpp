// rawconv: converts the conversion workbook named on the command line into speed.raw beside
// the program, and tells the wizard how it went.
#include <cstdio>
#include <string>
#include <vector>

#include "base/paths.h"
#include "rawconv/converter.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args = kovra::ProgramArguments(argc, argv);
    if (args.empty()) {
        std::fprintf(stderr, "usage: rawconv WORKBOOK.xls\n");
        rawconv::NotifyWizard(false);
        return 2;
    }
    const rawconv::RunResult r = rawconv::Convert(args[0], kovra::GetProgramFolder());
    if (!r.problem.empty()) std::fprintf(stderr, "%s\n", r.problem.c_str());
    std::printf("\n");
    std::fflush(stdout);
    rawconv::NotifyWizard(r.outcome == rawconv::Outcome::Success);
    return rawconv::ExitCode(r.outcome);
}
