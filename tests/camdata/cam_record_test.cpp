// Camera records, their value rules, flags and marks, and camera sets.
#include <gtest/gtest.h>

#include "camdata/speed_cam_data.h"
#include "camdata/speed_cam_data_set.h"

namespace {

TEST(CamRecord, FreshRecordIsValidUnmarkedAndUnassigned) {
    CSpeedCamData c;
    EXPECT_TRUE(c.IsValid());
    EXPECT_EQ(c.FindInvalidColumn(-1, true), -1);
    EXPECT_EQ(c.m_bRemoved, 0);
    EXPECT_EQ(c.m_nGroup, -1);
    EXPECT_EQ(c.m_nSource, -1);
    EXPECT_EQ(c.GetValue(CamLatitude), 0.0);
}

// One row per store: column, value, expected flag. Bounds are inclusive.
struct RuleCase {
    int column;
    double value;
    bool ok;
};

void Store(CSpeedCamData& c, int column, double v) {
    switch (column) {
        case CamLatitude: c.SetLatitude(v); break;
        case CamLongitude: c.SetLongitude(v); break;
        case CamBearingAngle: c.SetBearingAngle(int32_t(v)); break;
        case CamSpeedLimit: c.SetSpeedLimit(int32_t(v)); break;
        case CamDirType: c.SetDirType(int32_t(v)); break;
    }
}

TEST(CamRecord, ValueRulesAtTheirBounds) {
    const RuleCase cases[] = {
        {CamLatitude, 89.9, true},        {CamLatitude, -89.9, true},
        {CamLatitude, 89.91, false},      {CamLatitude, -89.900001, false},
        {CamLongitude, -180, true},       {CamLongitude, 180, true},
        {CamLongitude, 180.000001, false}, {CamLongitude, -180.000001, false},
        {CamBearingAngle, 0, true},       {CamBearingAngle, 359, true},
        {CamBearingAngle, 360, false},    {CamBearingAngle, -1, false},
        {CamSpeedLimit, 0, true},         {CamSpeedLimit, 180, true},
        {CamSpeedLimit, 181, false},      {CamSpeedLimit, -1, false},
        {CamDirType, 0, true},            {CamDirType, 2, true},
        {CamDirType, 3, false},           {CamDirType, -1, false},
    };
    for (const RuleCase& t : cases) {
        CSpeedCamData c;
        Store(c, t.column, t.value);
        EXPECT_EQ(c.m_bValid[t.column], t.ok ? 1 : 0) << "column " << t.column << " value " << t.value;
        EXPECT_EQ(c.m_bWasInvalid[t.column], t.ok ? 0 : 1);
        EXPECT_EQ(c.IsValid(), t.ok);
        EXPECT_EQ(c.GetValue(t.column), t.value);
    }
}

TEST(CamRecord, CameraTypeIsATextSearchInTheList) {
    const std::wstring list = L"1,2,3,4,5", tens = L"10,20", twelve = L"12", empty;
    struct {
        int32_t type;
        const std::wstring* list;
        bool ok;
    } cases[] = {
        {3, &list, true},  {1, &list, true},  {5, &list, true},  {0, &list, false},
        {6, &list, false}, {12, &list, false}, {-1, &list, false}, {0, &tens, true},
        {1, &tens, true},  {2, &tens, true},  {20, &tens, true},  {3, &tens, false},
        {2, &twelve, true}, {3, nullptr, true}, {-7, nullptr, true}, {3, &empty, false},
        {0, &empty, false},
    };
    for (const auto& t : cases) {
        CSpeedCamData c;
        c.SetCameraType(t.type, t.list);
        EXPECT_EQ(c.m_bValid[CamCameraType] == 1, t.ok)
            << t.type << " in " << (t.list ? std::string(t.list->begin(), t.list->end()) : "(none)");
        EXPECT_EQ(c.m_nCameraType, t.type);
    }
}

TEST(CamRecord, PassingValueKeepsTheMark) {
    CSpeedCamData c;
    c.SetLatitude(95);
    c.SetLatitude(45);
    EXPECT_EQ(c.m_bValid[CamLatitude], 1);
    EXPECT_EQ(c.m_bWasInvalid[CamLatitude], 1);
    EXPECT_TRUE(c.IsValid());
    EXPECT_EQ(c.FindInvalidColumn(-1, true), 0);

    c.SetSpeedLimit(200);
    c.SetSpeedLimit(100);
    EXPECT_EQ(c.m_bValid[CamSpeedLimit], 1);
    EXPECT_EQ(c.m_bWasInvalid[CamSpeedLimit], 1);
}

TEST(CamRecord, FindInvalidColumnWalksTheMarks) {
    CSpeedCamData c;
    c.SetLongitude(500);
    c.SetCameraType(9, nullptr);  // passes: no mark
    c.m_bWasInvalid[CamCameraType] = 1;
    EXPECT_EQ(c.FindInvalidColumn(1, true), 4);
    EXPECT_EQ(c.FindInvalidColumn(4, false), 1);
    EXPECT_EQ(c.FindInvalidColumn(4, true), -1);
    EXPECT_EQ(c.FindInvalidColumn(1, false), -1);
    EXPECT_EQ(c.FindInvalidColumn(-1, false), 4);
    EXPECT_EQ(c.FindInvalidColumn(-1, true), 1);
    EXPECT_EQ(c.FindInvalidColumn(0, true), 1);
    EXPECT_EQ(c.FindInvalidColumn(6, false), 4);
    EXPECT_EQ(c.FindInvalidColumn(6, true), -1);
}

TEST(CamRecord, ValueTexts) {
    CSpeedCamData c;
    c.SetLatitude(55.755814);
    c.SetLongitude(-37.6);
    c.SetBearingAngle(-5);
    c.SetSpeedLimit(60);
    EXPECT_EQ(c.GetValueText(CamLatitude), L" 55.755814");
    EXPECT_EQ(c.GetValueText(CamLongitude), L"-37.600000");
    EXPECT_EQ(c.GetValueText(CamBearingAngle), L"-5");
    EXPECT_EQ(c.GetValueText(CamSpeedLimit), L"60");
    EXPECT_EQ(c.GetValueText(CamColumnCount), L"");
    EXPECT_EQ(c.GetValueText(-1), L"");
    EXPECT_EQ(c.GetValue(7), 0.0);
    c.SetLatitude(123.4567891);
    EXPECT_EQ(c.GetValueText(CamLatitude), L"123.456789");  // wider values are not cut
}

TEST(CamSet, OwnsRecordsUnlessUsedAsAView) {
    CSpeedCamDataSet owner;
    CSpeedCamData* a = new CSpeedCamData;
    CSpeedCamData* b = new CSpeedCamData;
    owner.AddCamera(a);
    owner.AddCamera(b);
    owner.SetSource(SourcePartner);
    EXPECT_EQ(a->m_nSource, 1);
    EXPECT_EQ(b->m_nSource, 1);
    {
        CSpeedCamDataSet view;
        view.AddCamera(b);
        view.AddCamera(a);
        view.RemoveAll(false);
        EXPECT_EQ(view.GetCount(), 0);
    }
    // The records are still alive and in order in the owning set.
    POSITION pos = owner.m_camList.GetHeadPosition();
    EXPECT_EQ(owner.m_camList.GetNext(pos), a);
    EXPECT_EQ(owner.m_camList.GetNext(pos), b);
    EXPECT_EQ(pos, nullptr);

    EXPECT_TRUE(owner.RemoveCamera(a));
    EXPECT_FALSE(owner.RemoveCamera(a));
    EXPECT_EQ(owner.GetCount(), 1);
}

TEST(CamSet, RemoveAllKeepsTitleAndComment) {
    CSpeedCamDataSet s;
    s.m_strTitle = L"t";
    s.m_strComment = L"c";
    s.SetCameraTypes(L"1,2");
    s.m_strDescription[6] = L"version";
    s.AddCamera(new CSpeedCamData);
    EXPECT_EQ(s.GetDescription(6), L"version");
    EXPECT_EQ(s.GetDescription(7), L"");
    EXPECT_EQ(s.GetDescription(-1), L"");
    s.RemoveAll(true);
    EXPECT_EQ(s.GetCount(), 0);
    EXPECT_EQ(s.m_strTitle, L"t");
    EXPECT_EQ(s.m_strComment, L"c");
    EXPECT_EQ(s.m_strCameraTypes, L"");
    EXPECT_EQ(s.GetDescription(6), L"");
}

}  // namespace
