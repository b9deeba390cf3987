// The desktop document host: its messages, and the repair dialog the
// document's repair pass runs for each reservation without valid times.
#include "desktop/dialogs/dialogdochost.h"
#include "desktop/dialogs/reservedlg.h"
#include "dlgtest.h"

using namespace dlgtest;
using testutil::MakeReserve;
using testutil::Sj;

namespace {

class RepairPass : public ::testing::Test {
protected:
    testutil::TempDir dir;
    std::string path = dir.File("r.kv");
    Desk desk;
    CDialogDocHost host;
    CKivoDoc doc;

    void SetUp() override { doc.SetHost(&host); }

    static CReserve Unset(const char* user, int facility) {
        CReserve r = MakeReserve(user, facility, 2000, 4, 3, 10, 0, 11, 0);
        r.m_timeStart = kTimeUnset;
        return r;
    }
};

TEST_F(RepairPass, TheHostShowsMessagesThroughThePromptWithTheirIcon) {
    host.ShowMessage("予期しないﾌｧｲﾙ形式です。", IDocHost::Icon::Stop);
    ASSERT_EQ(desk.prompt.messages.size(), 1u);
    EXPECT_EQ(desk.prompt.messages[0].text, Q("予期しないﾌｧｲﾙ形式です。"));
    EXPECT_EQ(desk.prompt.messages[0].icon, MsgIcon::Stop);
    EXPECT_EQ(desk.prompt.messages[0].buttons, MsgButtons::Ok);
}

TEST_F(RepairPass, TheRepairDialogHasItsTextAndNoCancel) {
    WriteRegister(path, {Unset("山田", 2)});
    QString caption, text, user;
    bool hasCancel = true;
    int facility = -2;
    desk.On("CReserveErrDlg", [&](QDialog* d) {
        caption = d->windowTitle();
        text = Child<QLabel>(d, "label_repair")->text();
        hasCancel = d->findChild<QPushButton*>("button2") != nullptr;
        user = Get(d, "edit102");
        facility = Child<QComboBox>(d, "combo109")->currentIndex();
        EXPECT_EQ(Get(d, "edit114") + Get(d, "edit115") + Get(d, "edit116"), "000");
        EXPECT_EQ(Get(d, "edit105") + Get(d, "edit106") + Get(d, "edit107") + Get(d, "edit108"), "0000");
        d->reject();
    });
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(caption, Q("予約のエラー"));
    EXPECT_EQ(text, Q("時刻が設定されていないデータがあります。正しい日付を入力するか、このデータを削除してください。"));
    EXPECT_FALSE(hasCancel);
    EXPECT_EQ(user, Q("山田"));
    EXPECT_EQ(facility, 1);
}

TEST_F(RepairPass, TwoRecordsAreOfferedAndEachRepairIsSavedAtOnce) {
    WriteRegister(path, {Unset("山田", 1), MakeReserve("中", 1, 2000, 4, 4, 9, 0, 10, 0), Unset("鈴木", 2)});
    std::vector<QString> offered;
    RegisterData seenBySecond;
    desk.On("CReserveErrDlg", [&](QDialog* d) {
        offered.push_back(Get(d, "edit102"));
        SetWhen(d, 2000, 4, 5, 13, 0, 14, 30);
        Click(d, "button1");
    });
    desk.On("CReserveErrDlg", [&](QDialog* d) {
        offered.push_back(Get(d, "edit102"));
        seenBySecond = ReadRegister(path);
        Click(d, "button111");  // delete, answered OK
    });
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(offered, (std::vector<QString>{Q("山田"), Q("鈴木")}));
    // The first repair was on disk before the second dialog opened.
    ASSERT_EQ(seenBySecond.reserves.size(), 3u);
    EXPECT_EQ(seenBySecond.reserves[0]->m_timeStart, At(2000, 4, 5, 13, 0));
    EXPECT_EQ(seenBySecond.reserves[0]->m_timeEnd, At(2000, 4, 5, 14, 30));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 2u);
    EXPECT_EQ(r.reserves[0]->m_strUser, Sj("山田"));
    EXPECT_EQ(r.reserves[1]->m_strUser, Sj("中"));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("削除しますか？")});
}

TEST_F(RepairPass, OkAtOnceIsRefusedAndEscEndsWithTheZeroFieldsUnchecked) {
    WriteRegister(path, {Unset("山田", 1)});
    bool stayed = false;
    ReserveEntry after;
    desk.On("CReserveErrDlg", [&](QDialog* d) {
        Click(d, "button1");
        stayed = d->result() != QDialog::Accepted;
        d->reject();  // Esc
        EXPECT_EQ(d->result(), QDialog::Accepted);
        after = static_cast<CReserveErrDlg*>(d)->Entry();
    });
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("日付が不正です")});
    EXPECT_EQ(after.year + after.month + after.day + after.startHour + after.endHour, 0u);
    EXPECT_FALSE(after.deleteFlag);
    // A date left at 0 gives no valid time: the record is offered again next time.
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 1u);
    EXPECT_EQ(r.reserves[0]->m_timeStart, kTimeUnset);
}

TEST_F(RepairPass, EscStillRefusesAFieldThatIsNoNumber) {
    WriteRegister(path, {Unset("山田", 1)});
    bool stayed = false;
    desk.On("CReserveErrDlg", [&](QDialog* d) {
        Set(d, "edit121", "x");
        d->reject();
        stayed = d->result() != QDialog::Accepted;
        Set(d, "edit121", "0");
        d->reject();
    });
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("正の整数を入力してください。")});
}

TEST_F(RepairPass, ARepairOntoAnotherBookingIsRefused) {
    WriteRegister(path, {MakeReserve("先約", 1, 2000, 4, 3, 11, 0, 12, 0), Unset("山田", 1)});
    desk.On("CReserveErrDlg", [&](QDialog* d) {
        SetWhen(d, 2000, 4, 3, 10, 30, 11, 30);
        Click(d, "button1");
        SetWhen(d, 2000, 4, 3, 12, 0, 13, 0);
        Click(d, "button1");
    });
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("既に予約されています")});
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 2u);
    EXPECT_EQ(r.reserves[1]->m_timeStart, At(2000, 4, 3, 12, 0));
}

TEST_F(RepairPass, AFileWithoutUnsetTimesOpensWithoutADialog) {
    WriteRegister(path, {MakeReserve("山田", 1, 2000, 4, 3, 11, 0, 12, 0)});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(desk.prompt.dialogsRun.empty());
}

}  // namespace

ORVALIS_QTEST_MAIN
