// The user dialogs: the list the reservation dialogs pick from, its search
// buttons sharing the document's search, and the user list's commands.
#include "desktop/dialogs/usercommands.h"
#include "desktop/dialogs/userdlg.h"
#include "dlgtest.h"

using namespace dlgtest;
using testutil::MakeReserve;
using testutil::Sj;

namespace {

CKivoUser User(const char* name, const char* tel = "", const char* mail = "") {
    CKivoUser u;
    u.m_strName = Sj(name);
    u.m_strTel = Sj(tel);
    u.m_strMail = Sj(mail);
    return u;
}

class UserDialogs : public ::testing::Test {
protected:
    testutil::TempDir dir;
    std::string path = dir.File("r.kv");
    Desk desk;
    CKivoDoc doc;

    void Open(const std::vector<CKivoUser>& users, const std::vector<CReserve>& reserves = {}) {
        WriteRegister(path, reserves, {{1, "大会議室"}}, users);
        ASSERT_TRUE(doc.OnOpenDocument(path));
    }
    static int Row(QDialog* d) { return static_cast<CUserListDlg*>(d)->Selection(); }
};

// ------------------------------------------------------------ choosing

TEST_F(UserDialogs, TheLaterOfTwoEqualNamesIsPreselected) {
    Open({User("山田"), User("佐藤"), User("山田")});
    CUserListDlg dlg(doc, Sj("山田"));
    EXPECT_EQ(dlg.windowTitle(), Q("使用者リスト"));
    EXPECT_EQ(dlg.Selection(), 2);
    CUserListDlg none(doc, Sj("田中"));
    EXPECT_EQ(none.Selection(), -1);
}

TEST_F(UserDialogs, OkWithNothingSelectedChoosesNobody) {
    // Neither the first user nor an empty name: the caller keeps what was typed.
    for (bool empty : {false, true}) {
        Open(empty ? std::vector<CKivoUser>{} : std::vector<CKivoUser>{User("山田"), User("佐藤")});
        CUserListDlg dlg(doc, Sj("田中"));
        dlg.accept();
        EXPECT_EQ(dlg.result(), QDialog::Rejected) << empty;
    }
}

TEST_F(UserDialogs, ADoubleClickChoosesTheLine) {
    Open({User("山田"), User("佐藤")});
    CUserListDlg dlg(doc, "");
    auto* list = Child<QListWidget>(&dlg, "list117");
    emit list->itemDoubleClicked(list->item(1));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Name(), Sj("佐藤"));
}

// --------------------------------------------------------- add and edit

TEST_F(UserDialogs, AUserAddedFromTheListIsSavedAndSelectedOnTheLastLine) {
    Open({User("山田"), User("佐藤")});
    CUserListDlg dlg(doc, "");
    desk.On("CUserDlg", [](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), Q("使用者"));
        EXPECT_EQ(Get(d, "edit102"), "");
        Set(d, "edit102", Q("田中工業"));
        Set(d, "edit104", "03-1111-2222");
        Set(d, "edit108", Q("一行目\n二行目"));
        Click(d, "button1");
    });
    Click(&dlg, "button113");
    EXPECT_EQ(dlg.Selection(), 2);
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.users.size(), 3u);
    EXPECT_EQ(r.users[2]->m_strName, Sj("田中工業"));
    EXPECT_EQ(r.users[2]->m_strTel, "03-1111-2222");
    EXPECT_EQ(r.users[2]->m_strMemo, Sj("一行目\r\n二行目"));
    dlg.reject();
    // Cancelling the list afterwards keeps the added user.
    EXPECT_EQ(ReadRegister(path).users.size(), 3u);
}

TEST_F(UserDialogs, EditFromTheListWritesTheSameRecord) {
    Open({User("山田", "03-0000"), User("佐藤")});
    CUserListDlg dlg(doc, Sj("山田"));
    desk.On("CUserDlg", [](QDialog* d) {
        EXPECT_EQ(Get(d, "edit102"), Q("山田"));
        EXPECT_EQ(Get(d, "edit104"), "03-0000");
        Set(d, "edit103", Q("山田太郎"));
        Click(d, "button1");
    });
    Click(&dlg, "button114");
    EXPECT_EQ(dlg.Selection(), 0);
    RegisterData r = ReadRegister(path);
    EXPECT_EQ(r.users[0]->m_strCharge, Sj("山田太郎"));
    EXPECT_EQ(r.users[0]->m_strTel, "03-0000");
}

TEST_F(UserDialogs, TextCp932CannotHoldKeepsTheUserDialogOpen) {
    CUserDlg dlg(User("山田"), false);
    Set(&dlg, "edit112", Q("서울"));
    dlg.accept();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("「서（U+C11C）」はこのファイルに保存できない文字です。")});
    EXPECT_EQ(dlg.focusWidget(), dlg.findChild<QWidget*>("edit112"));
}

// -------------------------------------------------------------- search

TEST_F(UserDialogs, FindSelectsTheFirstMatchAndNextGoesOnDownwards) {
    Open({User("A", "06-1234"), User("B", "03-5555"), User("C", "045-0301"), User("D", "011")});
    CUserListDlg dlg(doc, "");
    desk.On("CUserFindDlg", [](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), Q("ユーザ検索"));
        EXPECT_EQ(Child<QComboBox>(d, "combo123")->count(), 7);
        EXPECT_EQ(Child<QComboBox>(d, "combo123")->itemText(2), Q("電話番号"));
        Child<QComboBox>(d, "combo123")->setCurrentIndex(2);
        Set(d, "edit124", "03");
        Click(d, "button1");
    });
    Click(&dlg, "button115");
    EXPECT_EQ(dlg.Selection(), 1);
    Click(&dlg, "button116");
    EXPECT_EQ(dlg.Selection(), 2);
    Click(&dlg, "button116");
    EXPECT_EQ(dlg.Selection(), 2);
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("見つかりません")});
    Click(&dlg, "button118");
    EXPECT_EQ(dlg.Selection(), 1);
    Click(&dlg, "button118");
    EXPECT_EQ(dlg.Selection(), 1);
    EXPECT_EQ(desk.Messages().size(), 2u);
    // The search lives in the document, for the user list window to go on with.
    EXPECT_EQ(doc.m_nFindField, 2);
    EXPECT_EQ(doc.m_strFindText, "03");
}

TEST_F(UserDialogs, TheMailSearchTellsUpperFromLowerCase) {
    Open({User("A", "", "info@example.jp"), User("B", "", "INFO@example.jp")});
    CUserListDlg dlg(doc, "");
    desk.On("CUserFindDlg", [](QDialog* d) {
        Child<QComboBox>(d, "combo123")->setCurrentIndex(5);
        Set(d, "edit124", "INFO");
        Click(d, "button1");
    });
    Click(&dlg, "button115");
    EXPECT_EQ(dlg.Selection(), 1);
}

TEST_F(UserDialogs, FindPreviousOnTheFirstLineFindsNothing) {
    Open({User("A"), User("B")});
    CUserListDlg dlg(doc, Sj("A"));
    Click(&dlg, "button118");
    EXPECT_EQ(dlg.Selection(), 0);
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("見つかりません")});
}

// ------------------------------------------------- the user list's commands

TEST_F(UserDialogs, EditUserCarriesANewNameIntoTheReservations) {
    Open({User("山田"), User("佐藤")},
         {MakeReserve("山田", 1, 2000, 4, 3, 9, 0, 10, 0), MakeReserve("山田 ", 1, 2000, 4, 3, 11, 0, 12, 0)});
    desk.On("CUserDlg", [](QDialog* d) {
        Set(d, "edit102", Q("山田商事"));
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditUser(doc, nullptr, 0, *doc.m_arUser[0]));
    RegisterData r = ReadRegister(path);
    EXPECT_EQ(r.users[0]->m_strName, Sj("山田商事"));
    EXPECT_EQ(r.reserves[0]->m_strUser, Sj("山田商事"));
    EXPECT_EQ(r.reserves[1]->m_strUser, Sj("山田 "));
}

TEST_F(UserDialogs, EditUserOfAUserRemovedMeanwhileWritesNothing) {
    Open({User("山田"), User("佐藤")});
    const CKivoUser shown = *doc.m_arUser[1];
    CKivoDoc other;
    ASSERT_TRUE(other.OnOpenDocument(path));
    desk.On("CUserDlg", [&](QDialog* d) {
        other.Transact([](CKivoDoc& o) {
            o.m_arUser.pop_back();
            return true;
        });
        Set(d, "edit104", "1");
        Click(d, "button1");
    });
    EXPECT_FALSE(editcmd::EditUser(doc, nullptr, 1, shown));
    EXPECT_EQ(desk.Messages(),
              std::vector<QString>{Q("Err:編集中のデータは変更されています。再度変更し直してください")});
    EXPECT_EQ(ReadRegister(path).users.size(), 1u);
}

TEST_F(UserDialogs, AddAndDeleteUser) {
    Open({User("山田")});
    desk.On("CUserDlg", [](QDialog* d) {
        Set(d, "edit102", Q("佐藤"));
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::AddUser(doc, nullptr));
    ASSERT_EQ(ReadRegister(path).users.size(), 2u);
    desk.prompt.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(editcmd::DeleteUser(doc, nullptr, 0, *doc.m_arUser[0]));
    ASSERT_TRUE(editcmd::DeleteUser(doc, nullptr, 0, *doc.m_arUser[0]));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.users.size(), 1u);
    EXPECT_EQ(r.users[0]->m_strName, Sj("佐藤"));
}

}  // namespace

ORVALIS_QTEST_MAIN
