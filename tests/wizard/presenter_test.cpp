// What the pages show for the session's states: the controls and texts of the import screens
// and of the conversion's screens, read off sessions walked to each state.
#include <gtest/gtest.h>

#include "base/file_io.h"
#include "resources/resource.h"
#include "session/conversion_session.h"
#include "tests/cam_workbook_util.h"
#include "tests/camera_util.h"
#include "tests/test_util.h"
#include "wizard/convert_presenter.h"
#include "wizard/import_presenter.h"

namespace {

using Session = ConversionSession;
using kovra::FromUtf8;

struct Launcher : IConverterLauncher {
    bool Start(const std::wstring&, const std::wstring&) override { return canStart; }
    bool canStart = true;
};

class Presenters : public testing::Test {
protected:
    void SetUp() override {
        m_dir = kovra_test::TempDir("presenters");
        m_session.reset(new Session(FromUtf8(m_dir)));
        m_session->SetLauncher(&m_launcher);
    }
    std::wstring File(const char* name, const std::string& text) {
        const std::string path = m_dir + "/" + name;
        EXPECT_TRUE(kovra::WriteFileReplacing(path, text.data(), text.size()));
        return FromUtf8(path);
    }
    std::string m_dir;
    Launcher m_launcher;
    std::unique_ptr<Session> m_session;
};

TEST_F(Presenters, ImportScreensOfEachStep) {
    // The first screens: step 1 offers the download, step 3 its template; Next needs a file
    // unless the download is chosen.
    ImportView v = PresentImport(*m_session, kStepBase, false);
    EXPECT_TRUE(v.choice && v.file && !v.browseEnabled && v.nextEnabled && !v.templateButton);
    m_session->ChooseDownload(false);
    v = PresentImport(*m_session, kStepBase, false);
    EXPECT_TRUE(v.browseEnabled && !v.nextEnabled);
    EXPECT_TRUE(PresentImport(*m_session, kStepBase, true).nextEnabled);
    v = PresentImport(*m_session, kStepCustom, false);
    EXPECT_TRUE(v.templateButton && !v.choice && !v.nextEnabled && v.statusId == 0);

    // The download's progress, then its failure in red with "< Back" and no "Next >".
    m_session->ChooseDownload(true);
    m_session->BeginDownload(kStepBase);
    v = PresentImport(*m_session, kStepBase, false);
    EXPECT_TRUE(v.progress && !v.nextBack && !v.choice && !v.file);
    EXPECT_EQ(v.statusId, unsigned(IDS_DOWNLOADING_BASE));
    m_session->OnDownloadFailed(kStepBase);
    v = PresentImport(*m_session, kStepBase, false);
    EXPECT_TRUE(v.failed && v.nextBack && !v.nextEnabled && !v.progress);
    EXPECT_EQ(v.statusId, unsigned(IDS_INCORRECT_FORMAT));

    // The correction: the list and its buttons, Next once all is valid or removed; then the
    // saved status names the file.
    const std::wstring csv = File("c.csv", "lat,lon,bearing,speed,type,dir\r\n95,10,90,60,1,1\r\n");
    ASSERT_EQ(m_session->Next(kStepCustom, csv), Session::kNextTaken);
    v = PresentImport(*m_session, kStepCustom, false);
    EXPECT_TRUE(v.list && v.correction && !v.nextEnabled && !v.file && !v.templateButton);
    EXPECT_EQ(v.statusId, unsigned(IDS_SOME_INVALID));
    m_session->RemoveAllInvalid(kStepCustom);
    m_session->RecheckCorrections(kStepCustom);
    EXPECT_TRUE(PresentImport(*m_session, kStepCustom, false).nextEnabled);
    m_session->Next(kStepCustom, csv);
    v = PresentImport(*m_session, kStepCustom, false);
    EXPECT_TRUE(!v.list && !v.correction && v.nextEnabled);
    EXPECT_EQ(v.statusId, unsigned(IDS_BASE_IMPORTED));
}

TEST_F(Presenters, ConvertScreensHaveOneForwardButtonAndNoWayBackWhileTheConverterRuns) {
    ConvertView v = PresentConvert(*m_session);
    EXPECT_TRUE(v.settings && v.convert && v.convertEnabled && v.back && v.backEnabled && !v.next);
    EXPECT_EQ(v.statusId, unsigned(IDS_CONVERT_INTRO));

    // Two cameras at one place: the choice shows "Next >" alone, not "Convert" beside it.
    kovra_test::AddCamera(m_session->Set(0), SourceBase, 10.0, 10.0, 90);
    kovra_test::AddCamera(m_session->Set(1), SourcePartner, 10.0001, 10.0, 90);
    m_session->Convert();
    ASSERT_EQ(m_session->GetScreen(), Session::kChoosing);
    v = PresentConvert(*m_session);
    EXPECT_TRUE(v.choice && v.next && !v.convert && v.back && v.backEnabled);
    EXPECT_TRUE(v.rowsEnabled && !v.sourceEnabled);
    EXPECT_EQ(v.nextTextId, unsigned(IDS_NEXT));  // one group: the last
    EXPECT_EQ(v.statusId, unsigned(IDS_SAME_PLACE));
    m_session->SetAlwaysSelect(true);
    v = PresentConvert(*m_session);
    EXPECT_TRUE(!v.rowsEnabled && v.sourceEnabled);

    // The converter runs: the wait cursor, and "< Back" neither shown nor enabled.
    ASSERT_TRUE(kovra_test::CopyTemplate(kovra::ToUtf8(m_session->WorkingBasePath())));
    m_session->NextSet(SourceBase);
    ASSERT_TRUE(m_session->IsWaitingForConverter());
    v = PresentConvert(*m_session);
    EXPECT_TRUE(v.waitCursor && !v.back && !v.backEnabled && !v.convert && !v.next && !v.choice);
    EXPECT_EQ(v.statusId, unsigned(IDS_CONVERTING));

    // Its errors: the log and "Try Again"; a failed copy: another folder may be chosen.
    m_session->OnConverterAnswer(m_session->ConverterRun(), false);
    v = PresentConvert(*m_session);
    EXPECT_TRUE(v.log && v.tryAgain && !v.browseAgain && !v.next && !v.waitCursor);
    EXPECT_EQ(v.statusId, unsigned(IDS_SOURCE_ERRORS));
    m_session->ResetConvert();
    m_session->ChooseConverter(ConverterFiles{L"c.exe", FromUtf8(m_dir + "/none.raw"), L"", L""});
    m_session->Convert();
    m_session->OnConverterAnswer(m_session->ConverterRun(), true);
    v = PresentConvert(*m_session);
    EXPECT_TRUE(v.tryAgain && v.browseAgain && !v.log && !v.openFolder);
    EXPECT_EQ(v.statusId, unsigned(IDS_COPY_FAILED));

    // A device file in the destination: the done screen.
    ASSERT_TRUE(kovra::WriteFileReplacing(m_dir + "/none.raw", "\x01\x02\x03", 3));
    ASSERT_TRUE(m_session->CopyAgain(FromUtf8(m_dir + "/")));
    v = PresentConvert(*m_session);
    EXPECT_TRUE(v.openFolder && v.showOnMap && !v.back && !v.tryAgain && !v.convert);
    EXPECT_EQ(v.statusId, kStatusDone);

    // The failures' texts.
    EXPECT_EQ(FailureStatusId(Session::kFailWorkbook), unsigned(IDS_WORKBOOK_FAILED));
    EXPECT_EQ(FailureStatusId(Session::kFailStart), unsigned(IDS_CONVERTER_NOT_STARTED));
    EXPECT_EQ(FailureStatusId(Session::kFailNoAnswer), unsigned(IDS_CONVERTER_NO_ANSWER));
}

}  // namespace
