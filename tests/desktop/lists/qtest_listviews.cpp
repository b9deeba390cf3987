// The reservation list and user list windows, driven as a desk drives them:
// commands, dialogs answered through the prompt seam, files checked on disk.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include <gtest/gtest.h>

#include "core/store/file/fileio.h"
#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/lists/export.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/utf8.h"
#include "desktop/lists/reserveview.h"
#include "desktop/lists/userview.h"
#include "support/scriptedprompt.h"
#include "support/testutil.h"

namespace {

using testutil::Sj;
using testutil::TempDir;

std::unique_ptr<CKivo> Facility(int id, const char* name) {
    auto f = std::make_unique<CKivo>();
    f->m_nID = id;
    f->m_strName = Sj(name);
    return f;
}

std::unique_ptr<CReserve> Booking(const char* user, int facility, int d, int h1, int m1, int h2, int m2,
                                  const char* purpose = "") {
    auto r = std::make_unique<CReserve>(testutil::MakeReserve(user, facility, 2000, 5, d, h1, m1, h2, m2));
    r->m_strPurpose = Sj(purpose);
    return r;
}

std::unique_ptr<CKivoUser> User(const char* name, const char* tel = "") {
    auto u = std::make_unique<CKivoUser>();
    u->m_strName = Sj(name);
    u->m_strCharge = Sj(name);
    u->m_strTel = tel;
    return u;
}

RegisterData Load(const std::string& path) { return testutil::ReadRegister(path); }

void Click(QDialog* dlg, const char* button) {
    auto* b = dlg->findChild<QPushButton*>(QString::fromLatin1(button));
    ASSERT_NE(nullptr, b) << button;
    b->click();
}

void Type(QDialog* dlg, const char* edit, const QString& text) {
    auto* e = dlg->findChild<QLineEdit*>(QString::fromLatin1(edit));
    ASSERT_NE(nullptr, e) << edit;
    e->setText(text);
}

// One register on disk, open in a document with both list windows.
class Lists : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.File("hall.kv");
    ScriptedPrompt prompt;
    testutil::RecordingHost host;
    std::unique_ptr<CKivoDoc> doc;

    void Write(RegisterData& d) { testutil::WriteFile(path, StoreRegister(d.facilities, d.reserves, d.users)); }
    void Open() {
        doc = std::make_unique<CKivoDoc>();
        doc->SetHost(&host);
        ASSERT_TRUE(doc->OnOpenDocument(path));
    }
    void SetUp() override { SetPrompt(&prompt); }
    void TearDown() override { SetPrompt(nullptr); }
    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const auto& m : prompt.messages) out.push_back(m.text.toStdString());
        return out;
    }
};

TEST_F(Lists, LinesShowMidnightAs2400AMissingFacilityAsNothingAndPurposeOnOneLine) {
    RegisterData d;
    d.facilities.push_back(Facility(1, "第1会議室"));
    d.reserves.push_back(Booking("山田商事", 1, 1, 9, 0, 12, 0, "定例会議"));
    d.reserves.push_back(Booking("山田商事", 1, 1, 18, 0, 24, 0, "定例会議"));
    d.reserves.push_back(Booking("山田商事", 7, 1, 13, 0, 13, 30, "定例\r\n会議"));
    d.reserves.push_back(Booking("山田商事", 1, 2, 0, 0, 0, 30, "早朝"));
    Write(d);
    Open();
    CReserveView view(doc.get());
    view.OnInitialUpdate();
    ASSERT_EQ(4, view.LineCount());
    EXPECT_EQ(U("00-05-01 09:00 ～ 12:00 第1会議室（山田商事 定例会議）"), view.LineText(0));
    EXPECT_EQ(U("00-05-01 13:00 ～ 13:30 （山田商事 定例会議）"), view.LineText(1));
    EXPECT_EQ(U("00-05-01 18:00 ～ 24:00 第1会議室（山田商事 定例会議）"), view.LineText(2));
    EXPECT_EQ(U("00-05-02 00:00 ～ 00:30 第1会議室（山田商事 早朝）"), view.LineText(3));
    EXPECT_EQ(0, view.Selection()) << "the first line is selected when the window opens";
}

TEST_F(Lists, ASortKeepsTheSelectedLineNumberAndRemembersTheKey) {
    RegisterData d;
    d.facilities.push_back(Facility(1, "A"));
    d.reserves.push_back(Booking("b", 1, 1, 9, 0, 10, 0));
    d.reserves.push_back(Booking("a", 1, 1, 11, 0, 12, 0));
    d.reserves.push_back(Booking("c", 1, 1, 10, 0, 11, 0));
    Write(d);
    Open();
    CReserveView view(doc.get());
    view.OnInitialUpdate();
    view.SelectLine(1);
    EXPECT_TRUE(view.LineText(1).contains(U("（c ")));
    ASSERT_TRUE(view.OnCommand(CReserveView::kSortCommands[2]));
    EXPECT_EQ(1, view.Selection()) << "the line number stays, not the reservation";
    EXPECT_TRUE(view.LineText(0).contains(U("（a ")));
    EXPECT_TRUE(view.LineText(1).contains(U("（b ")));
    EXPECT_EQ(2, profile::GetInt(profile::Key::RViewSort));
    EXPECT_EQ(testutil::ReadFile(path), StoreRegister(d.facilities, d.reserves, d.users)) << "a sort writes nothing";
}

TEST_F(Lists, AddUnderStartTimeSelectsTheLastLineAndStoresTheBooking) {
    RegisterData d;
    d.facilities.push_back(Facility(1, "A"));
    d.reserves.push_back(Booking("late", 1, 1, 20, 0, 21, 0));
    Write(d);
    Open();
    doc->m_timeDay = kvtime::MakeTime(2000, 5, 1, 12, 0);
    CReserveView view(doc.get());
    view.OnInitialUpdate();
    prompt.onDialog = [](QDialog* dlg) {
        ASSERT_EQ(QStringLiteral("CReserveDlg"), dlg->objectName());
        Type(dlg, "edit102", U("早い客"));
        Click(dlg, "button1");
    };
    view.OnCommand(cmd::AddReserve);
    EXPECT_TRUE(Messages().empty()) << Messages().front();
    ASSERT_EQ(2, view.LineCount());
    EXPECT_EQ(1, view.Selection()) << "the last line, wherever the new booking sorted to";
    EXPECT_TRUE(view.LineText(0).contains(U("早い客"))) << view.LineText(0).toStdString();
    RegisterData onDisk = Load(path);
    ASSERT_EQ(2u, onDisk.reserves.size());
    EXPECT_EQ(Sj("早い客"), onDisk.reserves[0]->m_strUser) << "the file holds the sorted order";
}

TEST_F(Lists, DeletingTheLastLineSelectsTheNewLastAndTheOnlyLineLeavesNothingSelected) {
    RegisterData d;
    d.facilities.push_back(Facility(1, "A"));
    d.reserves.push_back(Booking("a", 1, 1, 9, 0, 10, 0));
    d.reserves.push_back(Booking("b", 1, 1, 10, 0, 11, 0));
    Write(d);
    Open();
    CReserveView view(doc.get());
    view.OnInitialUpdate();
    view.SelectLine(1);
    prompt.answers = {MsgAnswer::Cancel};
    view.OnCommand(cmd::DeleteReserve);
    EXPECT_EQ(2u, Load(path).reserves.size()) << "Cancel deletes nothing";
    view.OnCommand(cmd::DeleteReserve);
    ASSERT_EQ(1, view.LineCount());
    EXPECT_EQ(0, view.Selection());
    view.OnCommand(cmd::DeleteReserve);
    EXPECT_EQ(0, view.LineCount());
    EXPECT_EQ(-1, view.Selection());
    EXPECT_TRUE(Load(path).reserves.empty());
    ASSERT_EQ(3u, prompt.messages.size());
    EXPECT_EQ(U("削除しますか？"), prompt.messages[0].text);
    EXPECT_EQ(MsgButtons::OkCancel, prompt.messages[0].buttons);
    view.OnCommand(cmd::DeleteReserve);
    view.OnCommand(cmd::EditReserve);
    EXPECT_EQ(3u, prompt.messages.size()) << "with no line nothing is asked";
}

TEST_F(Lists, TheReservationListRefillsWhenTheRecordsChangedOnly) {
    RegisterData d;
    d.facilities.push_back(Facility(1, "A"));
    d.reserves.push_back(Booking("a", 1, 1, 9, 0, 10, 0));
    Write(d);
    Open();
    CReserveView view(doc.get());
    view.OnInitialUpdate();
    doc->m_arReserve.push_back(Booking("b", 1, 1, 10, 0, 11, 0));
    doc->UpdateAllViews(nullptr, ViewHint::Repaint);
    EXPECT_EQ(1, view.LineCount());
    doc->UpdateAllViews(nullptr, ViewHint::Changed);
    EXPECT_EQ(2, view.LineCount());
}

TEST_F(Lists, EditOrDeleteOfAReservationAnotherDeskRemovedSaysSoAndWritesNothing) {
    RegisterData d;
    d.facilities.push_back(Facility(1, "A"));
    d.reserves.push_back(Booking("a", 1, 1, 9, 0, 10, 0));
    d.reserves.push_back(Booking("b", 1, 1, 10, 0, 11, 0));
    Write(d);
    Open();
    CReserveView view(doc.get());
    view.OnInitialUpdate();
    view.SelectLine(1);
    // Another desk removes "b".
    CKivoDoc other;
    ASSERT_TRUE(other.OnOpenDocument(path));
    ASSERT_EQ(TxResult::Done, other.Transact([](CKivoDoc& o) {
        o.m_arReserve.pop_back();
        return true;
    }));
    const std::string before = testutil::ReadFile(path);
    prompt.onDialog = [](QDialog*) { FAIL() << "no dialog for a reservation that is gone"; };
    view.OnCommand(cmd::EditReserve);
    ASSERT_EQ(1u, prompt.messages.size());
    EXPECT_EQ(U(msg::kEditConflict), prompt.messages[0].text);
    EXPECT_EQ(1, view.LineCount()) << "the list is refilled from the register as it now stands";
    EXPECT_EQ(before, testutil::ReadFile(path));

    // The same for delete: the line still showing "a" is deleted only if "a" is still there.
    ASSERT_EQ(TxResult::Done, other.Transact([](CKivoDoc& o) {
        o.m_arReserve[0]->m_strPurpose = "changed";
        return true;
    }));
    const std::string before2 = testutil::ReadFile(path);
    view.SelectLine(0);
    view.OnCommand(cmd::DeleteReserve);
    EXPECT_EQ(U(msg::kEditConflict), prompt.messages.back().text);
    EXPECT_EQ(before2, testutil::ReadFile(path)) << "another desk's change survives";
}

TEST_F(Lists, RenamingAUserCarriesTheNewNameIntoExactlyMatchingReservations) {
    RegisterData d;
    d.facilities.push_back(Facility(1, "A"));
    d.reserves.push_back(Booking("山田", 1, 1, 9, 0, 10, 0));
    d.reserves.push_back(Booking("山田商事", 1, 1, 10, 0, 11, 0));
    d.reserves.push_back(Booking("山田 ", 1, 1, 11, 0, 12, 0));
    d.users.push_back(User("山田"));
    d.users.push_back(User("山田商事"));
    d.users.push_back(User("山田 "));
    Write(d);
    Open();
    CUserView view(doc.get());
    view.OnInitialUpdate();
    ASSERT_EQ(3, view.LineCount());
    view.SelectLine(0);
    prompt.onDialog = [](QDialog* dlg) {
        ASSERT_EQ(QStringLiteral("CUserDlg"), dlg->objectName());
        Type(dlg, "edit102", U("山田物産"));
        Click(dlg, "button1");
    };
    view.OnCommand(cmd::EditReserve);
    RegisterData onDisk = Load(path);
    ASSERT_EQ(3u, onDisk.reserves.size());
    EXPECT_EQ(Sj("山田物産"), onDisk.reserves[0]->m_strUser);
    EXPECT_EQ(Sj("山田商事"), onDisk.reserves[1]->m_strUser);
    EXPECT_EQ(Sj("山田 "), onDisk.reserves[2]->m_strUser);
    EXPECT_EQ(Sj("山田物産"), onDisk.users[0]->m_strName);
    EXPECT_EQ(U("山田物産"), view.LineText(0));
}

TEST_F(Lists, FindNextAndPreviousStopAtBothEndsAndWorkBeforeAnyFind) {
    RegisterData d;
    d.users.push_back(User("青葉", "03-1111"));
    d.users.push_back(User("東雲", "045-222"));
    d.users.push_back(User("若草", "03-3333"));
    Write(d);
    Open();
    CUserView view(doc.get());
    view.OnInitialUpdate();
    view.SelectLine(-1);
    view.OnCommand(CUserView::kFindNext);
    EXPECT_EQ(0, view.Selection()) << "before any find the empty text is found on the first line";
    view.OnCommand(CUserView::kFindPrev);
    EXPECT_EQ(U("見つかりません"), prompt.messages.back().text);
    EXPECT_EQ(MsgIcon::Information, prompt.messages.back().icon);  // news, not a warning
    EXPECT_EQ(0, view.Selection());

    prompt.onDialog = [](QDialog* dlg) {
        ASSERT_EQ(QStringLiteral("CUserFindDlg"), dlg->objectName());
        auto* combo = dlg->findChild<QComboBox*>(QStringLiteral("combo123"));
        ASSERT_NE(nullptr, combo);
        combo->setCurrentIndex(2);  // 電話番号
        Type(dlg, "edit124", QStringLiteral("03"));
        Click(dlg, "button1");
    };
    view.OnCommand(CUserView::kFind);
    EXPECT_EQ(0, view.Selection());
    view.OnCommand(CUserView::kFindNext);
    EXPECT_EQ(2, view.Selection());
    const size_t shown = prompt.messages.size();
    view.OnCommand(CUserView::kFindNext);
    EXPECT_EQ(shown + 1, prompt.messages.size());
    EXPECT_EQ(U("見つかりません"), prompt.messages.back().text);
    EXPECT_EQ(2, view.Selection()) << "nothing found: the selection does not move";
    view.OnCommand(CUserView::kFindPrev);
    EXPECT_EQ(0, view.Selection());
}

TEST_F(Lists, AddedUserIsSelectedOnTheLastLineEvenAfterASort) {
    RegisterData d;
    d.users.push_back(User("b"));
    d.users.push_back(User("A"));
    Write(d);
    Open();
    CUserView view(doc.get());
    view.OnInitialUpdate();
    view.OnCommand(CUserView::kSortByName);
    EXPECT_EQ(U("A"), view.LineText(0));
    EXPECT_EQ(2, profile::GetInt(profile::Key::UserViewSort));
    prompt.onDialog = [](QDialog* dlg) {
        Type(dlg, "edit102", QStringLiteral("aa"));
        Click(dlg, "button1");
    };
    view.OnCommand(cmd::AddReserve);
    ASSERT_EQ(3, view.LineCount());
    EXPECT_EQ(2, view.Selection());
    EXPECT_EQ(QStringLiteral("aa"), view.LineText(2));
}

TEST_F(Lists, ExportsOfBothWindowsAreTheBytesKvtoolWrites) {
    RegisterData d;
    d.facilities.push_back(Facility(1, "第1会議室"));
    d.reserves.push_back(Booking("山田商事", 1, 1, 9, 0, 12, 0, "定例"));
    d.users.push_back(User("山田商事", "03-0000-0000"));
    Write(d);
    Open();
    CReserveView rv(doc.get());
    rv.OnInitialUpdate();
    CUserView uv(doc.get());
    uv.OnInitialUpdate();
    const std::string a = dir.File("a.TXT"), b = dir.File("b.TXT"), ka = dir.File("ka.TXT"), kb = dir.File("kb.TXT");
    prompt.fileNames = {QString::fromStdString(a), QString::fromStdString(b)};
    rv.OnCommand(cmd::ExportText);
    uv.OnCommand(cmd::ExportText);
    ASSERT_EQ(0, testutil::RunKvtool({"export", "reserve-text", path, ka}));
    ASSERT_EQ(0, testutil::RunKvtool({"export", "users", path, kb}));
    EXPECT_EQ(testutil::ReadFile(ka), testutil::ReadFile(a));
    EXPECT_EQ(testutil::ReadFile(kb), testutil::ReadFile(b));
    EXPECT_FALSE(testutil::ReadFile(a).empty());

    prompt.fileNames = {QString::fromStdString(dir.File("no/such/folder/x.TXT"))};
    rv.OnCommand(cmd::ExportText);
    EXPECT_EQ(U("出力ファイルを開けません"), prompt.messages.back().text);
}

TEST_F(Lists, EnterInTheListEditsTheSelectedLine) {
    RegisterData d;
    d.facilities.push_back(Facility(1, "A"));
    d.reserves.push_back(Booking("a", 1, 1, 9, 0, 10, 0));
    d.reserves.push_back(Booking("b", 1, 1, 10, 0, 11, 0));
    Write(d);
    Open();
    CReserveView view(doc.get());
    view.OnInitialUpdate();
    view.SelectLine(1);
    QString shown;
    prompt.onDialog = [&shown](QDialog* dlg) {
        shown = dlg->findChild<QLineEdit*>(QStringLiteral("edit102"))->text();
        Click(dlg, "button2");
    };
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(view.List(), &enter);
    ASSERT_EQ(1u, prompt.dialogsRun.size());
    EXPECT_EQ(QStringLiteral("b"), shown);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
