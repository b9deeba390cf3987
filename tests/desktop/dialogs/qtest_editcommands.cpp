// The schedule's edit commands end to end: the file before and after, the
// messages shown, and the update hints the document's views receive.
#include "desktop/dialogs/editcommands.h"
#include "core/store/file/fileio.h"
#include "desktop/dialogs/dialogdochost.h"
#include "desktop/dialogs/freedlg.h"
#include "dlgtest.h"

using namespace dlgtest;
using testutil::MakeReserve;
using testutil::Sj;

namespace {

struct HintLog : IKivoView {
    std::vector<ViewHint> hints;
    void OnUpdate(IKivoView*, ViewHint hint) override { hints.push_back(hint); }
};

class EditCommands : public ::testing::Test {
protected:
    testutil::TempDir dir;
    std::string path = dir.File("r.kv");
    Desk desk;
    CKivoDoc doc;   // this desk
    CKivoDoc other; // another desk on the same file
    HintLog views;

    const CReserve yamada = MakeReserve("山田", 1, 2000, 4, 3, 11, 0, 12, 0);
    const CReserve suzuki = MakeReserve("鈴木", 2, 2000, 4, 3, 13, 0, 15, 0);

    void SetUp() override {
        WriteRegister(path, {yamada, suzuki});
        ASSERT_TRUE(doc.OnOpenDocument(path));
        ASSERT_TRUE(other.OnOpenDocument(path));
        doc.m_timeDay = At(2000, 4, 3, 8, 0);
        doc.AddView(&views);
    }
    void TearDown() override { doc.RemoveView(&views); }

    void OtherDesk(const std::function<void(CKivoDoc&)>& change) {
        other.Transact([&](CKivoDoc& o) {
            change(o);
            return true;
        });
    }
};

// ------------------------------------------------------------ add

TEST_F(EditCommands, TheFreeSearchListsWhatIsFreeBooksFromALineAndSearchesAgain) {
    profile::WriteInt(profile::Key::Dup, 1);
    std::vector<QStringList> answers;
    QString proposed;
    auto lines = [](QDialog* d) {
        QStringList out;
        for (int i = 0; i < Child<QListWidget>(d, "listFree")->count(); ++i)
            out << Child<QListWidget>(d, "listFree")->item(i)->text();
        return out;
    };
    desk.On("CReserveDlg", [&](QDialog* d) {
        proposed = Get(d, "edit116") + " " + Get(d, "edit105") + ":" + Get(d, "edit106") + "-" + Get(d, "edit107") +
                   " " + Child<QComboBox>(d, "combo109")->currentText();
        Set(d, "edit102", Q("田中"));
        Click(d, "button1");
    });
    desk.On("CFreeDlg", [&](QDialog* d) {
        auto* dlg = static_cast<CFreeDlg*>(d);
        Set(d, "editStartHour", Q("11"));
        Set(d, "editStartMinute", Q("30"));
        Set(d, "editEndHour", Q("13"));
        Click(d, "buttonSearch");
        answers.push_back(lines(d));
        dlg->Answer()->setFocus();
        dlg->accept();  // Enter on the line
        answers.push_back(lines(d));
        profile::WriteInt(profile::Key::Dup, 0);
        Click(d, "buttonSearch");
        answers.push_back(lines(d));
        Set(d, "editUntilYear", Q("2000")), Set(d, "editUntilMonth", Q("5")), Set(d, "editUntilDay", Q("4"));
        Click(d, "buttonSearch");  // 32 days
        Click(d, "button2");
    });
    RunFreeSearch(doc, nullptr);
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0], QStringList{Q("00/04/03(月)  11:30～13:00  小会議室  人数不明")});
    EXPECT_EQ(proposed, Q("3 11:30-13 小会議室"));
    EXPECT_EQ(answers[1], QStringList{Q("条件に合う空き施設はありません")});
    EXPECT_EQ(answers[2], (QStringList{Q("00/04/03(月)  11:30～13:00  大会議室  人数不明  重複あり"),
                                       Q("00/04/03(月)  11:30～13:00  小会議室  人数不明  重複あり")}));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("終了日には開始日から 31 日以内の日付を入力してください。")});
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 3u);
    EXPECT_EQ(r.reserves[2]->m_nFacilityID, 2);
    EXPECT_EQ(r.reserves[2]->m_timeEnd, At(2000, 4, 3, 13, 0));
}


TEST_F(EditCommands, TheMenuAddRepaintsAfterItsReReadAndRebuildsAfterTheBooking) {
    desk.On("CReserveDlg", [](QDialog* d) {
        Set(d, "edit102", Q("田中"));
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::AddReservation(doc, nullptr, 0, -1));
    EXPECT_EQ(views.hints, (std::vector<ViewHint>{ViewHint::Repaint, ViewHint::Changed}));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 3u);
    EXPECT_EQ(r.reserves[2]->m_strUser, Sj("田中"));
    EXPECT_EQ(r.reserves[2]->m_timeStart, At(2000, 4, 3, 10, 0));
    EXPECT_EQ(r.reserves[2]->m_timeEnd, At(2000, 4, 3, 11, 0));
}

TEST_F(EditCommands, TheAddAtAPointDoesNotRepaintBeforeItsDialog) {
    desk.On("CReserveDlg", [](QDialog* d) { Click(d, "button1"); });
    ASSERT_TRUE(editcmd::AddReservation(doc, nullptr, 1, 16));
    EXPECT_EQ(views.hints, std::vector<ViewHint>{ViewHint::Changed});
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 3u);
    EXPECT_EQ(r.reserves[2]->m_nFacilityID, 2);
    EXPECT_EQ(r.reserves[2]->m_timeStart, At(2000, 4, 3, 16, 0));
}

TEST_F(EditCommands, AnAddKeepsWhatAnotherDeskSavedMeanwhile) {
    desk.On("CReserveDlg", [&](QDialog* d) {
        OtherDesk([&](CKivoDoc& o) {
            o.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("他", 2, 2000, 4, 5, 9, 0, 10, 0)));
        });
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::AddReservation(doc, nullptr, 0, 9));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 4u);
    EXPECT_EQ(r.reserves[2]->m_strUser, Sj("他"));
}

TEST_F(EditCommands, CancelWritesNothing) {
    const std::string before = testutil::ReadFile(path);
    desk.On("CReserveDlg", [](QDialog* d) { Click(d, "button2"); });
    EXPECT_FALSE(editcmd::AddReservation(doc, nullptr, 0, 9));
    EXPECT_EQ(testutil::ReadFile(path), before);
    EXPECT_TRUE(views.hints.empty());
}

// ------------------------------------------------------------ repeat

TEST_F(EditCommands, ARepeatSeriesPreviewsBooksTheFreeDatesInOneSaveAndNamesTheTakenOnes) {
    std::vector<QString> preview;
    desk.On("CRepeatDlg", [&](QDialog* d) {
        Set(d, "edit102", Q("田中"));
        Set(d, "edit105", Q("11")), Set(d, "edit106", Q("30")), Set(d, "edit107", Q("12")), Set(d, "edit108", Q("30"));
        Set(d, "edit_count", Q("3"));
        Click(d, "button_preview");
        auto* list = Child<QListWidget>(d, "list_preview");
        for (int i = 0; i < list->count(); ++i) preview.push_back(list->item(i)->text());
        // Taken after the preview: the booking checks every date again.
        OtherDesk([&](CKivoDoc& o) {
            o.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("他", 1, 2000, 4, 17, 12, 0, 13, 0)));
        });
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::RepeatReservation(doc, nullptr, nullptr));
    EXPECT_EQ(preview, (std::vector<QString>{Q("2000/04/03(月)  予約済み"), Q("2000/04/10(月)  空き"),
                                             Q("2000/04/17(月)  空き")}));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("次の日付は予約しませんでした。\n2000/04/03 既に予約されています\n"
                                                      "2000/04/17 既に予約されています")});
    EXPECT_EQ(views.hints, (std::vector<ViewHint>{ViewHint::Repaint, ViewHint::Changed}));  // one transaction
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 4u);
    EXPECT_EQ(r.reserves[3]->m_strUser, Sj("田中"));
    EXPECT_EQ(r.reserves[3]->m_nFacilityID, 1);
    EXPECT_EQ(r.reserves[3]->m_timeStart, At(2000, 4, 10, 11, 30));
    EXPECT_EQ(r.reserves[3]->m_timeEnd, At(2000, 4, 10, 12, 30));
}

TEST_F(EditCommands, ARepeatSeriesLeavesTheHolidaysOutUncountedAndUnrefused) {
    std::vector<QString> preview;
    desk.On("CRepeatDlg", [&](QDialog* d) {
        SetWhen(d, 2000, 5, 2, 9, 0, 10, 0);
        Child<QComboBox>(d, "combo_pattern")->setCurrentIndex(0);
        Child<QCheckBox>(d, "check_skip_holidays")->click();
        Set(d, "edit_count", Q("3"));
        Click(d, "button_preview");
        auto* list = Child<QListWidget>(d, "list_preview");
        for (int i = 0; i < list->count(); ++i) preview.push_back(list->item(i)->text());
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::RepeatReservation(doc, nullptr, nullptr));
    EXPECT_EQ(preview, (std::vector<QString>{Q("2000/05/02(火)  空き"), Q("2000/05/03(水)  祝日 憲法記念日"),
                                             Q("2000/05/04(木)  祝日 休日"), Q("2000/05/05(金)  祝日 こどもの日"),
                                             Q("2000/05/06(土)  空き"), Q("2000/05/07(日)  空き")}));
    EXPECT_TRUE(desk.Messages().empty());
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 5u);
    EXPECT_EQ(r.reserves[3]->m_timeStart, At(2000, 5, 6, 9, 0));
}

// Each touch of the profile, and those made while no reader could get at the
// register: a slow profile there would hold every other desk off.
int g_profileTouches = 0, g_touchesUnderLock = 0;
std::string g_watchedRegister;
void WatchProfile() {
    ++g_profileTouches;
    const int wait = fileio::LockWaitMs();
    fileio::SetLockWaitMs(0);
    std::string bytes;
    if (fileio::ReadShared(g_watchedRegister, &bytes).cause == fileio::Cause::SharingViolation) ++g_touchesUnderLock;
    fileio::SetLockWaitMs(wait);
}

TEST_F(EditCommands, TheProfileIsNeverTouchedWhileTheRegisterIsLocked) {
    CDialogDocHost host;  // records the file in the profile on each open and save
    doc.SetHost(&host);
    g_watchedRegister = path;
    profile::SetAccessWatch(WatchProfile);
    desk.On("CReserveDlg", [](QDialog* d) { Click(d, "button1"); });
    const bool added = editcmd::AddReservation(doc, nullptr, 0, 9);
    const bool saved = doc.OnSaveDocument(path);
    profile::SetAccessWatch(nullptr);
    doc.SetHost(nullptr);
    EXPECT_TRUE(added && saved);
    EXPECT_GE(g_profileTouches, 3);
    EXPECT_EQ(g_touchesUnderLock, 0);
}

// ------------------------------------------------------------ edit

TEST_F(EditCommands, TheEditDialogShowsTheRecord) {
    CReserve r = yamada;
    r.m_timeEnd = At(2000, 4, 4, 0, 0);
    r.m_strPurpose = Sj("会議\r\n懇親会");
    r.m_nFee = 5000;
    r.m_bPaid = 1;
    WriteRegister(path, {r});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    std::map<std::string, QString> shown;
    bool paid = false;
    int facility = -2;
    desk.On("CReserveDlg", [&](QDialog* d) {
        for (const char* n : {"edit102", "edit110", "edit114", "edit115", "edit116", "edit105", "edit106", "edit107",
                              "edit108", "edit121"})
            shown[n] = Get(d, n);
        paid = Child<QCheckBox>(d, "check120")->isChecked();
        facility = Child<QComboBox>(d, "combo109")->currentIndex();
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 0, r));
    EXPECT_EQ(shown["edit102"], Q("山田"));
    EXPECT_EQ(shown["edit110"], Q("会議\n懇親会"));
    EXPECT_EQ(shown["edit114"] + "/" + shown["edit115"] + "/" + shown["edit116"], "2000/4/3");
    EXPECT_EQ(shown["edit105"] + ":" + shown["edit106"], "11:0");
    // An end at midnight is offered as 24:00, so confirming keeps it.
    EXPECT_EQ(shown["edit107"] + ":" + shown["edit108"], "24:0");
    EXPECT_EQ(shown["edit121"], "5000");
    EXPECT_TRUE(paid);
    EXPECT_EQ(facility, 0);
    RegisterData data = ReadRegister(path);
    ASSERT_EQ(data.reserves.size(), 1u);
    EXPECT_TRUE(data.reserves[0]->IsEqual(r));
}

TEST_F(EditCommands, AnEditWithoutChangesIsAcceptedWithOverlapsForbidden) {
    profile::WriteInt(profile::Key::Dup, 1);
    desk.On("CReserveDlg", [](QDialog* d) { Click(d, "button1"); });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 0, yamada));
    EXPECT_TRUE(desk.Messages().empty());
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 2u);
    EXPECT_TRUE(r.reserves[0]->IsEqual(yamada));
    EXPECT_TRUE(r.reserves[1]->IsEqual(suzuki));
    EXPECT_EQ(views.hints, std::vector<ViewHint>{ViewHint::Changed});
}

TEST_F(EditCommands, AnEditMovesTheRecordInPlace) {
    desk.On("CReserveDlg", [](QDialog* d) {
        Set(d, "edit105", "9");
        Set(d, "edit107", "10");
        Child<QComboBox>(d, "combo109")->setCurrentIndex(1);
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 0, yamada));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 2u);
    EXPECT_EQ(r.reserves[0]->m_strUser, Sj("山田"));
    EXPECT_EQ(r.reserves[0]->m_nFacilityID, 2);
    EXPECT_EQ(r.reserves[0]->m_timeStart, At(2000, 4, 3, 9, 0));
    EXPECT_EQ(r.reserves[0]->m_timeEnd, At(2000, 4, 3, 10, 0));
}

TEST_F(EditCommands, AnEditOntoAnotherBookingIsRefusedAndTheDialogStays) {
    bool open = false;
    desk.On("CReserveDlg", [&](QDialog* d) {
        Child<QComboBox>(d, "combo109")->setCurrentIndex(1);
        Set(d, "edit105", "14");
        Set(d, "edit107", "16");
        Click(d, "button1");
        open = d->result() != QDialog::Accepted;
        Click(d, "button2");
    });
    EXPECT_FALSE(editcmd::EditReservation(doc, nullptr, 0, yamada));
    EXPECT_TRUE(open);
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("既に予約されています")});
    EXPECT_TRUE(ReadRegister(path).reserves[0]->IsEqual(yamada));
}

TEST_F(EditCommands, AnOvernightBookingKeepsItsEndWhenConfirmedAndWhenMarkedPaid) {
    CReserve night = MakeReserve("夜間", 1, 2000, 4, 3, 23, 0, 24, 30);
    CKivoUser user;
    user.m_strName = Sj("夜間");
    WriteRegister(path, {night}, {{1, "大会議室"}, {2, "小会議室"}}, {user});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    const std::string before = testutil::ReadFile(path);
    QString end;
    desk.On("CReserveDlg", [&](QDialog* d) {
        end = Get(d, "edit107") + ":" + Get(d, "edit108");
        Click(d, "button1");
    });
    desk.On("CReserveDlg", [](QDialog* d) {
        Child<QCheckBox>(d, "check120")->setChecked(true);
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 0, night));
    EXPECT_EQ(end, "24:30");
    EXPECT_EQ(testutil::ReadFile(path), before);
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 0, night));
    night.m_bPaid = 1;
    const std::string expected = dir.File("expected.kv");
    WriteRegister(expected, {night}, {{1, "大会議室"}, {2, "小会議室"}}, {user});
    EXPECT_EQ(testutil::ReadFile(path), testutil::ReadFile(expected));
    EXPECT_TRUE(desk.Messages().empty());
}

TEST_F(EditCommands, AnEndTwoDaysAfterTheStartIsNotOfferedForEditing) {
    CReserve longer = yamada;
    longer.m_timeEnd = At(2000, 4, 5, 9, 0);
    WriteRegister(path, {longer});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    const std::string before = testutil::ReadFile(path);
    EXPECT_FALSE(editcmd::EditReservation(doc, nullptr, 0, longer));
    EXPECT_TRUE(desk.prompt.dialogsRun.empty());
    EXPECT_EQ(desk.Messages(),
              std::vector<QString>{Q("この予約の終了日時 2000/04/05 09:00 は予約の入力で表せないため、編集できません。")});
    EXPECT_EQ(testutil::ReadFile(path), before);
}

TEST_F(EditCommands, ABookingThatAlreadyOverlapsCanBeMarkedPaid) {
    profile::WriteInt(profile::Key::Dup, 1);
    const CReserve overlapping = MakeReserve("佐藤", 1, 2000, 4, 3, 11, 30, 12, 30);
    OtherDesk([&](CKivoDoc& o) { o.m_arReserve.push_back(std::make_unique<CReserve>(overlapping)); });
    desk.On("CReserveDlg", [](QDialog* d) {
        Child<QCheckBox>(d, "check120")->setChecked(true);
        Set(d, "edit110", Q("説明会"));
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 2, overlapping));
    EXPECT_TRUE(desk.Messages().empty());
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 3u);
    EXPECT_EQ(r.reserves[2]->m_bPaid, 1);
    EXPECT_EQ(r.reserves[2]->m_strPurpose, Sj("説明会"));
    EXPECT_EQ(r.reserves[2]->m_timeStart, overlapping.m_timeStart);
}

TEST_F(EditCommands, ARecordRemovedBeforeTheDoubleClickOpensNoDialog) {
    OtherDesk([](CKivoDoc& o) { o.m_arReserve.erase(o.m_arReserve.begin()); });
    const std::string before = testutil::ReadFile(path);
    EXPECT_FALSE(editcmd::EditReservation(doc, nullptr, 0, yamada));
    // Not the dialog of 鈴木, who now stands at position 0.
    EXPECT_TRUE(desk.prompt.dialogsRun.empty());
    EXPECT_EQ(desk.Messages(),
              std::vector<QString>{Q("Err:編集中のデータは変更されています。再度変更し直してください")});
    EXPECT_EQ(views.hints, std::vector<ViewHint>{ViewHint::Changed});
    EXPECT_EQ(testutil::ReadFile(path), before);
}

TEST_F(EditCommands, ARecordRemovedWhileTheDialogIsOpenIsNotWrittenBack) {
    desk.On("CReserveDlg", [&](QDialog* d) {
        OtherDesk([](CKivoDoc& o) { o.m_arReserve.erase(o.m_arReserve.begin()); });
        Set(d, "edit102", Q("山田商事"));
        Click(d, "button1");
    });
    EXPECT_FALSE(editcmd::EditReservation(doc, nullptr, 0, yamada));
    EXPECT_EQ(desk.Messages(),
              std::vector<QString>{Q("Err:編集中のデータは変更されています。再度変更し直してください")});
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 1u);
    EXPECT_EQ(r.reserves[0]->m_strUser, Sj("鈴木"));
    EXPECT_EQ(views.hints.back(), ViewHint::Changed);
    ASSERT_EQ(doc.m_arReserve.size(), 1u);
}

TEST_F(EditCommands, ARecordChangedMeanwhileIsRefusedAnotherRecordChangedIsNot) {
    desk.On("CReserveDlg", [&](QDialog* d) {
        OtherDesk([](CKivoDoc& o) { o.m_arReserve[1]->m_nFee = 100; });
        Set(d, "edit121", "800");
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 0, yamada));
    RegisterData r = ReadRegister(path);
    EXPECT_EQ(r.reserves[0]->m_nFee, 800);
    EXPECT_EQ(r.reserves[1]->m_nFee, 100);

    CReserve current = *r.reserves[0];
    desk.On("CReserveDlg", [&](QDialog* d) {
        OtherDesk([](CKivoDoc& o) { o.m_arReserve[0]->m_nFee = 900; });
        Set(d, "edit121", "700");
        Click(d, "button1");
    });
    EXPECT_FALSE(editcmd::EditReservation(doc, nullptr, 0, current));
    EXPECT_EQ(ReadRegister(path).reserves[0]->m_nFee, 900);
}

TEST_F(EditCommands, DeleteConfirmedRemovesTheRecordFoundByValue) {
    // Another desk put a record in front: the one shown is found where it went.
    OtherDesk([](CKivoDoc& o) {
        o.m_arReserve.insert(o.m_arReserve.begin(),
                             std::make_unique<CReserve>(MakeReserve("先頭", 1, 2000, 4, 6, 9, 0, 10, 0)));
    });
    desk.On("CReserveDlg", [](QDialog* d) { Click(d, "button111"); });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 0, yamada));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("削除しますか？")});
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 2u);
    EXPECT_EQ(r.reserves[0]->m_strUser, Sj("先頭"));
    EXPECT_EQ(r.reserves[1]->m_strUser, Sj("鈴木"));
    EXPECT_EQ(views.hints, std::vector<ViewHint>{ViewHint::Changed});
}

TEST_F(EditCommands, TheListDeleteAsksAndRemovesTheShownRecord) {
    desk.prompt.answers = {MsgAnswer::Cancel, MsgAnswer::Ok};
    EXPECT_FALSE(editcmd::DeleteReservation(doc, nullptr, 1, suzuki, SortKey::Start));
    EXPECT_EQ(ReadRegister(path).reserves.size(), 2u);
    ASSERT_TRUE(editcmd::DeleteReservation(doc, nullptr, 1, suzuki, SortKey::Start));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 1u);
    EXPECT_EQ(r.reserves[0]->m_strUser, Sj("山田"));
}

TEST_F(EditCommands, TheListEditSortsByItsKeyBeforeFindingTheRecord) {
    // Sorted by user name 山田 and 鈴木 change places; position 1 names 山田
    // in the list's order.
    doc.SortReserves(SortKey::User);
    const int pos = doc.FindReserve(-1, yamada);
    desk.On("CReserveDlg", [](QDialog* d) {
        EXPECT_EQ(Get(d, "edit102"), Q("山田"));
        Set(d, "edit121", "1");
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, pos, yamada, SortKey::User));
    RegisterData r = ReadRegister(path);
    for (const auto& x : r.reserves) EXPECT_EQ(x->m_nFee, x->m_strUser == Sj("山田") ? 1 : 0);
}

// ------------------------------------------------------------ facilities

TEST_F(EditCommands, AddFacilityProposesTheLastNumberPlusOne) {
    OtherDesk([](CKivoDoc& o) {
        o.m_arFacility.clear();
        o.m_arFacility.push_back(Facility(3, "A"));
        o.m_arFacility.push_back(Facility(7, "B"));
        o.m_arFacility.push_back(Facility(5, "C"));
    });
    QString number, people;
    desk.On("CKivoDlg", [&](QDialog* d) {
        number = Get(d, "edit105");
        people = Get(d, "edit104");
        Set(d, "edit102", Q("和室"));
        Set(d, "edit104", "12");
        Set(d, "edit103", Q("二階\n奥"));
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::AddFacility(doc, nullptr));
    EXPECT_EQ(number, "6");
    EXPECT_EQ(people, "5");
    EXPECT_EQ(views.hints, std::vector<ViewHint>{ViewHint::Repaint});
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.facilities.size(), 4u);
    EXPECT_EQ(r.facilities[3]->m_nID, 6);
    EXPECT_EQ(r.facilities[3]->m_strName, Sj("和室"));
    EXPECT_EQ(r.facilities[3]->m_nMaxPeople, 12);
    EXPECT_EQ(r.facilities[3]->m_strComment, Sj("二階\r\n奥"));
}

TEST_F(EditCommands, TheFirstFacilityOfAnEmptyRegisterIsNumberZero) {
    WriteRegister(path, {}, {});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    QString number;
    desk.On("CKivoDlg", [&](QDialog* d) {
        number = Get(d, "edit105");
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::AddFacility(doc, nullptr));
    EXPECT_EQ(number, "0");
    ASSERT_TRUE(editcmd::AddFacility(doc, nullptr));
    EXPECT_EQ(number, "1");
}

TEST_F(EditCommands, FacilityNumbersAndPeopleAbove16BitsAreRefused) {
    std::vector<QString> after;
    desk.On("CKivoDlg", [&](QDialog* d) {
        Set(d, "edit105", "65536");
        Click(d, "button1");
        Set(d, "edit105", "65535");
        Set(d, "edit104", "70000");
        Click(d, "button1");
        Set(d, "edit104", "");
        Click(d, "button1");
        Click(d, "button2");
    });
    EXPECT_FALSE(editcmd::AddFacility(doc, nullptr));
    EXPECT_EQ(desk.Messages(), (std::vector<QString>{Q("0 から 65535 までの整数を入力してください。"),
                                                      Q("0 から 65535 までの整数を入力してください。"),
                                                      Q("正の整数を入力してください。")}));
    EXPECT_EQ(ReadRegister(path).facilities.size(), 2u);
}

TEST_F(EditCommands, TheFacilityListEditorSavesItsChangesWithHintOne) {
    desk.On("CKivoListDlg", [](QDialog* d) {
        Child<QListWidget>(d, "list112")->setCurrentRow(1);
        Click(d, "button115");  // 小会議室 up
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditFacilities(doc, nullptr));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.facilities.size(), 2u);
    EXPECT_EQ(r.facilities[0]->m_strName, Sj("小会議室"));
    EXPECT_EQ(r.facilities[1]->m_strName, Sj("大会議室"));
    EXPECT_EQ(r.reserves.size(), 2u);
    EXPECT_EQ(views.hints, std::vector<ViewHint>{ViewHint::Changed});
}

TEST_F(EditCommands, EscInTheListEditorAfterAChangeStillSaves) {
    desk.On("CKivoListDlg", [](QDialog* d) {
        Child<QListWidget>(d, "list112")->setCurrentRow(0);
        Click(d, "button116");
        d->reject();  // Esc
    });
    ASSERT_TRUE(editcmd::EditFacilities(doc, nullptr));
    EXPECT_EQ(ReadRegister(path).facilities[0]->m_strName, Sj("小会議室"));
}

TEST_F(EditCommands, TheListEditorWithoutChangesWritesNothing) {
    const std::string before = testutil::ReadFile(path);
    desk.On("CKivoListDlg", [](QDialog* d) { d->reject(); });
    EXPECT_FALSE(editcmd::EditFacilities(doc, nullptr));
    EXPECT_EQ(testutil::ReadFile(path), before);
    EXPECT_TRUE(views.hints.empty());
}

TEST_F(EditCommands, TheListEditorDoesNotUndoAnotherDesksFacilityChange) {
    desk.On("CKivoListDlg", [&](QDialog* d) {
        OtherDesk([](CKivoDoc& o) { o.m_arFacility.push_back(Facility(9, "別館")); });
        Child<QListWidget>(d, "list112")->setCurrentRow(0);
        Click(d, "button116");
        Click(d, "button1");
    });
    EXPECT_FALSE(editcmd::EditFacilities(doc, nullptr));
    EXPECT_EQ(desk.Messages(),
              std::vector<QString>{Q("Err:編集中のデータは変更されています。再度変更し直してください")});
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.facilities.size(), 3u);
    EXPECT_EQ(r.facilities[0]->m_strName, Sj("大会議室"));
    EXPECT_EQ(r.facilities[2]->m_strName, Sj("別館"));
    // The document shows the file, not the abandoned edit.
    ASSERT_EQ(doc.m_arFacility.size(), 3u);
    EXPECT_EQ(views.hints.back(), ViewHint::Changed);
}

TEST_F(EditCommands, TheListEditorKeepsBookingsOtherDesksMadeMeanwhile) {
    desk.On("CKivoListDlg", [&](QDialog* d) {
        OtherDesk([](CKivoDoc& o) {
            o.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("他", 1, 2000, 4, 9, 9, 0, 10, 0)));
        });
        Child<QListWidget>(d, "list112")->setCurrentRow(0);
        desk.prompt.answers = {MsgAnswer::Ok};
        Click(d, "button111");
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditFacilities(doc, nullptr));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.facilities.size(), 1u);
    EXPECT_EQ(r.facilities[0]->m_nID, 2);
    // The removed facility's bookings stay, with their number.
    ASSERT_EQ(r.reserves.size(), 3u);
    EXPECT_EQ(r.reserves[0]->m_nFacilityID, 1);
}

}  // namespace

ORVALIS_QTEST_MAIN
