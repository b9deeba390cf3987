// The facility dialogs on a collection of their own: the list editor's
// add, change, delete and move rules and its modified flag.
#include "desktop/dialogs/kivodlg.h"
#include "dlgtest.h"

using namespace dlgtest;
using testutil::Sj;

namespace {

class FacilityList : public ::testing::Test {
protected:
    testutil::TempDir dir;
    Desk desk;
    FacilityArray facilities;

    void SetUp() override {
        facilities.push_back(Facility(3, "A"));
        facilities.push_back(Facility(7, "B"));
        facilities.push_back(Facility(5, "C"));
    }
    std::string Names() const {
        std::string s;
        for (const auto& f : facilities) s += f->m_strName;
        return s;
    }
};

TEST_F(FacilityList, OpensWithTheFirstLineSelectedAndNothingModified) {
    CKivoListDlg dlg(facilities);
    EXPECT_EQ(dlg.windowTitle(), Q("施設の編集"));
    EXPECT_EQ(dlg.Selection(), 0);
    EXPECT_FALSE(dlg.Modified());
    auto* list = Child<QListWidget>(&dlg, "list112");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), "C");
    EXPECT_TRUE(Child<QPushButton>(&dlg, "button1")->isDefault());
    EXPECT_EQ(Child<QPushButton>(&dlg, "button1")->text(), Q("閉じる"));
}

TEST_F(FacilityList, MoveUpOnTheFirstAndDownOnTheLastChangeNothing) {
    CKivoListDlg dlg(facilities);
    Click(&dlg, "button115");
    Child<QListWidget>(&dlg, "list112")->setCurrentRow(2);
    Click(&dlg, "button116");
    EXPECT_EQ(Names(), "ABC");
    EXPECT_FALSE(dlg.Modified());
}

TEST_F(FacilityList, MovesCarryTheSelectionAlong) {
    CKivoListDlg dlg(facilities);
    Click(&dlg, "button116");
    EXPECT_EQ(Names(), "BAC");
    EXPECT_EQ(dlg.Selection(), 1);
    Click(&dlg, "button116");
    EXPECT_EQ(Names(), "BCA");
    EXPECT_EQ(dlg.Selection(), 2);
    Click(&dlg, "button115");
    EXPECT_EQ(Names(), "BAC");
    EXPECT_EQ(dlg.Selection(), 1);
    EXPECT_TRUE(dlg.Modified());
}

TEST_F(FacilityList, MovesWithNothingSelectedDoNothing) {
    CKivoListDlg dlg(facilities);
    Child<QListWidget>(&dlg, "list112")->clearSelection();
    Click(&dlg, "button115");
    Click(&dlg, "button116");
    EXPECT_EQ(Names(), "ABC");
    EXPECT_FALSE(dlg.Modified());
}

TEST_F(FacilityList, DeleteAsksThenRemovesTheSelectedLineAndSelectsTheFirst) {
    CKivoListDlg dlg(facilities);
    Child<QListWidget>(&dlg, "list112")->setCurrentRow(1);
    desk.prompt.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    Click(&dlg, "button111");
    EXPECT_EQ(Names(), "ABC");
    EXPECT_FALSE(dlg.Modified());
    Click(&dlg, "button111");
    EXPECT_EQ(Names(), "AC");
    EXPECT_EQ(dlg.Selection(), 0);
    EXPECT_TRUE(dlg.Modified());
    EXPECT_EQ(desk.Messages(), std::vector<QString>(2, Q("削除しますか？")));
}

TEST_F(FacilityList, DeleteWithNothingSelectedRemovesNothing) {
    CKivoListDlg dlg(facilities);
    Child<QListWidget>(&dlg, "list112")->clearSelection();
    Click(&dlg, "button111");
    EXPECT_EQ(Names(), "ABC");
    EXPECT_FALSE(dlg.Modified());
}

TEST_F(FacilityList, AddProposesLastPlusOneAndSelectsTheNewLine) {
    CKivoListDlg dlg(facilities);
    QString proposed;
    desk.On("CKivoDlg", [&](QDialog* d) {
        proposed = Get(d, "edit105");
        Set(d, "edit102", "D");
        Click(d, "button1");
    });
    Click(&dlg, "button113");
    EXPECT_EQ(proposed, "6");
    EXPECT_EQ(Names(), "ABCD");
    EXPECT_EQ(facilities[3]->m_nID, 6);
    EXPECT_EQ(facilities[3]->m_nMaxPeople, 5);
    EXPECT_EQ(dlg.Selection(), 3);
    EXPECT_TRUE(dlg.Modified());
}

TEST_F(FacilityList, ChangeWritesIntoTheSameRecordAndCancelChangesNothing) {
    CKivoListDlg dlg(facilities);
    Child<QListWidget>(&dlg, "list112")->setCurrentRow(1);
    desk.On("CKivoDlg", [](QDialog* d) { Click(d, "button2"); });
    desk.On("CKivoDlg", [](QDialog* d) {
        EXPECT_EQ(Get(d, "edit102"), "B");
        EXPECT_EQ(Get(d, "edit105"), "7");
        Set(d, "edit102", Q("大ホール"));
        Set(d, "edit104", "300");
        Click(d, "button1");
    });
    Click(&dlg, "button114");
    EXPECT_FALSE(dlg.Modified());
    Click(&dlg, "button114");
    EXPECT_TRUE(dlg.Modified());
    EXPECT_EQ(facilities[1]->m_strName, Sj("大ホール"));
    EXPECT_EQ(facilities[1]->m_nMaxPeople, 300);
    EXPECT_EQ(facilities[1]->m_nID, 7);
    EXPECT_EQ(dlg.Selection(), 1);
}

TEST_F(FacilityList, EscClosesLikeCloseOnceSomethingChanged) {
    CKivoListDlg unchanged(facilities);
    unchanged.reject();
    EXPECT_EQ(unchanged.result(), QDialog::Rejected);
    CKivoListDlg changed(facilities);
    Click(&changed, "button116");
    changed.reject();
    EXPECT_EQ(changed.result(), QDialog::Accepted);
}

TEST_F(FacilityList, TheFacilityDialogKeepsUntouchedBytes) {
    CKivo k;
    k.m_nID = 4;
    k.m_strName = testutil::Hex("ED 40");
    k.m_strComment = testutil::Hex("41 0D 0A 42");
    CKivoDlg dlg(k);
    EXPECT_EQ(dlg.windowTitle(), Q("施設"));
    Set(&dlg, "edit104", "8");
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Result().m_strName, testutil::Hex("ED 40"));
    EXPECT_EQ(dlg.Result().m_strComment, testutil::Hex("41 0D 0A 42"));
    EXPECT_EQ(dlg.Result().m_nMaxPeople, 8);
}

TEST(CenterOverParentTest, CentresWithIntegerHalvesTowardZero) {
    EXPECT_EQ(CenteredPosition(QRect(100, 50, 801, 600), QSize(300, 201)), QPoint(350, 249));
    // A dialog larger than the parent sticks out evenly on both sides.
    EXPECT_EQ(CenteredPosition(QRect(0, 0, 100, 100), QSize(301, 101)), QPoint(-100, 0));
}

}  // namespace

ORVALIS_QTEST_MAIN
