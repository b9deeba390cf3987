// The reservation entry dialog as the desk meets it: through the add and
// edit commands, with the file on disk as the judge.
#include "desktop/dialogs/editcommands.h"
#include "desktop/dialogs/reservedlg.h"
#include "dlgtest.h"

#include <QKeyEvent>

using namespace dlgtest;
using testutil::MakeReserve;
using testutil::Sj;

namespace {

class EntryDialog : public ::testing::Test {
protected:
    testutil::TempDir dir;
    std::string path = dir.File("r.kv");
    Desk desk;
    CKivoDoc doc;

    void Open(const std::vector<CReserve>& reserves = {}) {
        WriteRegister(path, reserves);
        ASSERT_TRUE(doc.OnOpenDocument(path));
        doc.m_timeDay = At(2000, 4, 3, 15, 20);
    }

    // Adds through the menu command: fill, press OK once, and when the dialog
    // refuses, leave it with Cancel. Returns whether a booking was stored.
    bool AddWith(const std::function<void(QDialog*)>& fill, int facilityPos = 0, int hour = -1) {
        desk.On("CReserveDlg", [&](QDialog* d) {
            fill(d);
            Click(d, "button1");
            if (d->result() != QDialog::Accepted) Click(d, "button2");
        });
        return editcmd::AddReservation(doc, nullptr, facilityPos, hour);
    }
    bool AddAt(int y, int mo, int day, int h1, int m1, int h2, int m2, int facilityPos = 0) {
        return AddWith([&](QDialog* d) { SetWhen(d, y, mo, day, h1, m1, h2, m2); }, facilityPos);
    }
    size_t Stored() { return ReadRegister(path).reserves.size(); }
};

// ------------------------------------------------------------ opening

TEST_F(EntryDialog, OpensOnTheDisplayedDayWithTenToEleven) {
    Open();
    QString caption, year, month, day, start, end, facility;
    int selected = -2;
    desk.On("CReserveDlg", [&](QDialog* d) {
        caption = d->windowTitle();
        year = Get(d, "edit114");
        month = Get(d, "edit115");
        day = Get(d, "edit116");
        start = Get(d, "edit105") + ":" + Get(d, "edit106");
        end = Get(d, "edit107") + ":" + Get(d, "edit108");
        facility = Child<QComboBox>(d, "combo109")->itemText(1);
        selected = Child<QComboBox>(d, "combo109")->currentIndex();
    });
    EXPECT_FALSE(editcmd::AddReservation(doc, nullptr, 0, -1));
    EXPECT_EQ(caption, Q("予約の入力"));
    EXPECT_EQ(year, "2000");
    EXPECT_EQ(month, "4");
    EXPECT_EQ(day, "3");
    EXPECT_EQ(start, "10:0");
    EXPECT_EQ(end, "11:0");
    EXPECT_EQ(facility, Q("小会議室"));
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(Stored(), 0u);
}

TEST_F(EntryDialog, DoubleClickAtNineProposesNineToTenOnThatFacility) {
    Open();
    QString start, end;
    int selected = -2;
    desk.On("CReserveDlg", [&](QDialog* d) {
        start = Get(d, "edit105") + ":" + Get(d, "edit106");
        end = Get(d, "edit107") + ":" + Get(d, "edit108");
        selected = Child<QComboBox>(d, "combo109")->currentIndex();
        Set(d, "edit102", Q("山田商事"));
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::AddReservation(doc, nullptr, 1, 9));
    EXPECT_EQ(start, "9:0");
    EXPECT_EQ(end, "10:0");
    EXPECT_EQ(selected, 1);
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 1u);
    EXPECT_EQ(r.reserves[0]->m_strUser, Sj("山田商事"));
    EXPECT_EQ(r.reserves[0]->m_nFacilityID, 2);
    EXPECT_EQ(r.reserves[0]->m_timeStart, At(2000, 4, 3, 9, 0));
    EXPECT_EQ(r.reserves[0]->m_timeEnd, At(2000, 4, 3, 10, 0));
}

TEST_F(EntryDialog, TheUserFieldHasTheFocusAndEnterConfirms) {
    Open();
    QString focused;
    desk.On("CReserveDlg", [&](QDialog* d) {
        d->show();
        QApplication::processEvents();
        focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        auto* user = Child<QLineEdit>(d, "edit102");
        user->setText(Q("田中"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(user, &enter);
    });
    EXPECT_TRUE(editcmd::AddReservation(doc, nullptr, 0, 13));
    EXPECT_EQ(focused, "edit102");
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 1u);
    EXPECT_EQ(r.reserves[0]->m_strUser, Sj("田中"));
    EXPECT_EQ(r.reserves[0]->m_timeStart, At(2000, 4, 3, 13, 0));
}

TEST_F(EntryDialog, EnterInThePurposeBreaksTheLine) {
    Open();
    desk.On("CReserveDlg", [&](QDialog* d) {
        d->show();
        auto* purpose = Child<QPlainTextEdit>(d, "edit110");
        purpose->setFocus();
        QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QKeyEvent b(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
        for (QKeyEvent* e : {&a, &enter, &b}) QApplication::sendEvent(purpose, e);
        EXPECT_NE(d->result(), QDialog::Accepted);
        Click(d, "button1");
    });
    EXPECT_TRUE(editcmd::AddReservation(doc, nullptr, 0, 13));
    EXPECT_EQ(ReadRegister(path).reserves[0]->m_strPurpose, "a\r\nb");
}

// Both dialogs hold the same entry controls, each in the order of its own rows.
TEST_F(EntryDialog, TabWalksEachDialogInTheOrderOfItsRows) {
    Open();
    const auto walk = [](QDialog* d) {
        d->show();
        QStringList names;
        while (d->focusWidget() && !names.contains(d->focusWidget()->objectName()) && names.size() < 40) {
            names << d->focusWidget()->objectName();
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QApplication::sendEvent(d->focusWidget(), &tab);
        }
        return names.join(' ').toStdString();
    };
    std::string entry, repeat;
    desk.On("CReserveDlg", [&](QDialog* d) { entry = walk(d); });
    desk.On("CRepeatDlg", [&](QDialog* d) { repeat = walk(d); });
    editcmd::AddReservation(doc, nullptr, 0, -1);
    editcmd::RepeatReservation(doc, nullptr, nullptr);
    EXPECT_EQ(entry, "edit102 button118 edit114 edit115 edit116 edit105 edit106 edit107 edit108 combo109 edit110 "
                     "edit112 button1 button2 button111 check120 edit121");
    EXPECT_EQ(repeat, "edit102 button118 combo109 edit105 edit106 edit107 edit108 edit110 edit112 check120 edit121 "
                      "edit114 edit115 edit116 combo_pattern radio_until radio_count edit_count "
                      "check_skip_holidays button1 button2 "
                      "button_preview list_preview");
}

// ------------------------------------------------------- date and times

TEST_F(EntryDialog, LeapDaysAndTheLastDayAreAccepted) {
    Open();
    EXPECT_TRUE(AddAt(2000, 2, 29, 10, 0, 11, 0));
    EXPECT_TRUE(AddAt(2004, 2, 29, 10, 0, 11, 0));
    EXPECT_TRUE(AddAt(2037, 12, 31, 10, 0, 11, 0));
    EXPECT_TRUE(desk.Messages().empty());
    EXPECT_EQ(Stored(), 3u);
}

TEST_F(EntryDialog, ImpossibleDatesAreRefusedAndNothingIsStored) {
    Open();
    EXPECT_FALSE(AddAt(1999, 2, 29, 10, 0, 11, 0));
    EXPECT_FALSE(AddAt(1971, 12, 31, 10, 0, 11, 0));
    EXPECT_FALSE(AddAt(2038, 1, 1, 10, 0, 11, 0));
    EXPECT_FALSE(AddAt(2000, 4, 31, 10, 0, 11, 0));
    EXPECT_FALSE(AddAt(2000, 4, 0, 10, 0, 11, 0));
    EXPECT_FALSE(AddAt(2000, 0, 3, 10, 0, 11, 0));
    EXPECT_EQ(desk.Messages(), std::vector<QString>(6, Q("日付が不正です")));
    EXPECT_EQ(Stored(), 0u);
}

TEST_F(EntryDialog, HourTwentyFourAndMinuteSixtyRollOver) {
    Open();
    EXPECT_TRUE(AddAt(2000, 4, 3, 10, 60, 24, 0));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 1u);
    EXPECT_EQ(r.reserves[0]->m_timeStart, At(2000, 4, 3, 11, 0));
    EXPECT_EQ(r.reserves[0]->m_timeEnd, At(2000, 4, 4, 0, 0));
}

TEST_F(EntryDialog, TimesBeyondTheRangeAreRefusedStartFirst) {
    Open();
    EXPECT_FALSE(AddAt(2000, 4, 3, 25, 0, 26, 0));
    EXPECT_FALSE(AddAt(2000, 4, 3, 10, 61, 11, 0));
    EXPECT_FALSE(AddAt(2000, 4, 3, 10, 0, 25, 0));
    EXPECT_FALSE(AddAt(2000, 4, 3, 10, 0, 11, 61));
    EXPECT_EQ(desk.Messages(), (std::vector<QString>{Q("開始時刻が不正です"), Q("開始時刻が不正です"),
                                                      Q("終了時刻が不正です"), Q("終了時刻が不正です")}));
    EXPECT_EQ(Stored(), 0u);
}

TEST_F(EntryDialog, AnEndBeforeTheStartIsRefusedAtTheEndHourAnEqualEndIsNot) {
    Open({MakeReserve("山田", 1, 2000, 4, 3, 9, 0, 10, 0)});
    const std::string before = testutil::ReadFile(path);
    QString focused;
    std::string fileAfterRefusal;
    desk.On("CReserveDlg", [&](QDialog* d) {
        SetWhen(d, 2000, 4, 3, 15, 0, 14, 0);
        Click(d, "button1");
        focused = d->focusWidget() ? d->focusWidget()->objectName() : QString();
        fileAfterRefusal = testutil::ReadFile(path);
        Set(d, "edit107", "15");
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::AddReservation(doc, nullptr, 0, -1));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("終了時刻が不正です")});
    EXPECT_EQ(focused, "edit107");
    EXPECT_EQ(fileAfterRefusal, before);
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 2u);
    EXPECT_EQ(r.reserves[1]->m_timeEnd, At(2000, 4, 3, 15, 0));
    EXPECT_EQ(r.reserves[1]->m_timeStart, r.reserves[1]->m_timeEnd);
}

TEST_F(EntryDialog, ARefusalKeepsTheDialogOpenWithTheInput) {
    Open();
    QString dayAfter;
    bool accepted = false;
    desk.On("CReserveDlg", [&](QDialog* d) {
        SetWhen(d, 2000, 4, 31, 10, 0, 11, 0);
        Click(d, "button1");
        dayAfter = Get(d, "edit116");
        Set(d, "edit116", "30");
        Click(d, "button1");
        accepted = d->result() == QDialog::Accepted;
    });
    EXPECT_TRUE(editcmd::AddReservation(doc, nullptr, 0, -1));
    EXPECT_EQ(dayAfter, "31");
    EXPECT_TRUE(accepted);
    EXPECT_EQ(ReadRegister(path).reserves[0]->m_timeStart, At(2000, 4, 30, 10, 0));
}

// ------------------------------------------------------------- overlaps

class Overlaps : public EntryDialog {
protected:
    void SetUp() override { Open({MakeReserve("既存", 1, 2000, 4, 3, 11, 0, 12, 0)}); }
};

TEST_F(Overlaps, TouchingBookingsAreAccepted) {
    EXPECT_TRUE(AddAt(2000, 4, 3, 10, 0, 11, 0));
    EXPECT_TRUE(AddAt(2000, 4, 3, 12, 0, 13, 0));
    EXPECT_TRUE(desk.Messages().empty());
    EXPECT_EQ(Stored(), 3u);
}

TEST_F(Overlaps, OverlappingBookingsOfTheSameFacilityAreRefused) {
    EXPECT_FALSE(AddAt(2000, 4, 3, 10, 30, 11, 30));
    EXPECT_FALSE(AddAt(2000, 4, 3, 11, 15, 11, 45));
    EXPECT_FALSE(AddAt(2000, 4, 3, 10, 0, 13, 0));
    EXPECT_FALSE(AddAt(2000, 4, 3, 11, 0, 12, 0));
    EXPECT_EQ(desk.Messages(), std::vector<QString>(4, Q("既に予約されています")));
    EXPECT_EQ(Stored(), 1u);
}

TEST_F(Overlaps, AnotherFacilityOrAnotherDayIsFree) {
    EXPECT_TRUE(AddAt(2000, 4, 3, 10, 30, 11, 30, 1));
    EXPECT_TRUE(AddAt(2000, 4, 4, 10, 30, 11, 30, 0));
    EXPECT_EQ(Stored(), 3u);
}

TEST_F(Overlaps, AllowedWhenTheProfileSaysSo) {
    profile::WriteInt(profile::Key::Dup, 0);
    EXPECT_TRUE(AddAt(2000, 4, 3, 11, 0, 12, 0));
    EXPECT_EQ(Stored(), 2u);
}

TEST_F(Overlaps, ABookingMadeMeanwhileByAnotherDeskIsSeenAtConfirm) {
    CKivoDoc other;
    ASSERT_TRUE(other.OnOpenDocument(path));
    EXPECT_FALSE(AddWith([&](QDialog* d) {
        SetWhen(d, 2000, 4, 3, 14, 0, 15, 0);
        other.Transact([](CKivoDoc& o) {
            o.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("他の窓口", 1, 2000, 4, 3, 14, 30, 16, 0)));
            return true;
        });
    }));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("既に予約されています")});
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 2u);
    EXPECT_EQ(r.reserves[1]->m_strUser, Sj("他の窓口"));
}

// ------------------------------------------------------------ facility

TEST_F(EntryDialog, APointBeyondTheLastFacilityMustBeGivenOne) {
    Open();
    int selected = -2;
    EXPECT_FALSE(AddWith([&](QDialog* d) { selected = Child<QComboBox>(d, "combo109")->currentIndex(); }, 5, 9));
    EXPECT_EQ(selected, -1);
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("施設を選択してください。")});
    EXPECT_EQ(Stored(), 0u);
}

TEST_F(EntryDialog, WithoutFacilitiesNothingCanBeBooked) {
    WriteRegister(path, {}, {});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_FALSE(AddWith([](QDialog*) {}));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("施設を選択してください。")});
    EXPECT_EQ(Stored(), 0u);
}

TEST_F(EntryDialog, AFacilityRemovedMeanwhileIsNotBooked) {
    Open();
    CKivoDoc other;
    ASSERT_TRUE(other.OnOpenDocument(path));
    EXPECT_FALSE(AddWith(
        [&](QDialog*) {
            other.Transact([](CKivoDoc& o) {
                o.m_arFacility.pop_back();
                return true;
            });
        },
        1, 9));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("施設を選択してください。")});
    EXPECT_EQ(Stored(), 0u);
}

// -------------------------------------------------------------- numbers

TEST_F(EntryDialog, NumberFieldsRefuseWhatIsNotAnUnsignedNumber) {
    Open();
    for (const char* fee : {"", "-1", "12a", "4294967296"}) {
        QString focused;
        desk.On("CReserveDlg", [&](QDialog* d) {
            Set(d, "edit121", QString::fromLatin1(fee));
            Click(d, "button1");
            focused = d->focusWidget() ? d->focusWidget()->objectName() : QString();
            Click(d, "button2");
        });
        EXPECT_FALSE(editcmd::AddReservation(doc, nullptr, 0, 9)) << fee;
        EXPECT_EQ(focused, "edit121") << fee;
    }
    EXPECT_EQ(desk.Messages(), std::vector<QString>(4, Q("正の整数を入力してください。")));
    EXPECT_EQ(Stored(), 0u);
}

TEST_F(EntryDialog, AFeeAboveSixteenBitsIsRefused) {
    Open();
    EXPECT_FALSE(AddWith([](QDialog* d) { Set(d, "edit121", "65536"); }));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("0 から 65535 までの整数を入力してください。")});
    EXPECT_TRUE(AddWith([](QDialog* d) {
        Set(d, "edit121", " 65535\t");
        Child<QCheckBox>(d, "check120")->setChecked(true);
    }));
    RegisterData r = ReadRegister(path);
    ASSERT_EQ(r.reserves.size(), 1u);
    EXPECT_EQ(r.reserves[0]->m_nFee, 65535);
    EXPECT_EQ(r.reserves[0]->m_bPaid, 1);
}

// ---------------------------------------------------------------- text

TEST_F(EntryDialog, TextCp932CannotHoldIsRefusedNamingTheCharacter) {
    Open();
    EXPECT_FALSE(AddWith([](QDialog* d) { Set(d, "edit102", Q("김 商事")); }));
    EXPECT_EQ(desk.Messages(), std::vector<QString>{Q("「김（U+AE40）」はこのファイルに保存できない文字です。")});
    EXPECT_EQ(Stored(), 0u);
}

TEST_F(EntryDialog, LineBreaksOfPurposeAndContactAreStoredAsCrLf) {
    Open();
    EXPECT_TRUE(AddWith([](QDialog* d) {
        Set(d, "edit110", Q("定例会議\n第二部"));
        Set(d, "edit112", Q("内線 12"));
    }));
    RegisterData r = ReadRegister(path);
    EXPECT_EQ(r.reserves[0]->m_strPurpose, Sj("定例会議\r\n第二部"));
    EXPECT_EQ(r.reserves[0]->m_strContact, Sj("内線 12"));
}

TEST_F(EntryDialog, AFieldLeftAloneKeepsItsStoredBytes) {
    // 纊 has an NEC-selected form (ED 40) and an IBM form (FA 5C) in CP932.
    CReserve r = MakeReserve("", 1, 2000, 4, 3, 11, 0, 12, 0);
    r.m_strUser = testutil::Hex("ED 40");
    r.m_strPurpose = testutil::Hex("ED 40 0D 0A 41");
    Open({r});
    desk.On("CReserveDlg", [](QDialog* d) {
        Set(d, "edit121", "300");
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 0, r));
    RegisterData data = ReadRegister(path);
    ASSERT_EQ(data.reserves.size(), 1u);
    EXPECT_EQ(data.reserves[0]->m_strUser, testutil::Hex("ED 40"));
    EXPECT_EQ(data.reserves[0]->m_strPurpose, testutil::Hex("ED 40 0D 0A 41"));
    EXPECT_EQ(data.reserves[0]->m_nFee, 300);
}

// ---------------------------------------------------------- delete, browse

TEST_F(EntryDialog, DeleteAnsweredWithCancelKeepsTheDialogOpen) {
    Open({MakeReserve("山田", 1, 2000, 4, 3, 11, 0, 12, 0)});
    desk.prompt.answers = {MsgAnswer::Cancel};
    bool stillOpen = false;
    desk.On("CReserveDlg", [&](QDialog* d) {
        Click(d, "button111");
        stillOpen = d->result() != QDialog::Accepted;
        Click(d, "button2");
    });
    EXPECT_FALSE(editcmd::EditReservation(doc, nullptr, 0, *doc.m_arReserve[0]));
    EXPECT_TRUE(stillOpen);
    // The snapshot came from a record the command's re-read replaced: it was
    // copied first.
    ASSERT_EQ(desk.prompt.messages.size(), 1u);
    EXPECT_EQ(desk.prompt.messages[0].text, Q("削除しますか？"));
    EXPECT_EQ(desk.prompt.messages[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(desk.prompt.messages[0].icon, MsgIcon::Question);
    EXPECT_EQ(Stored(), 1u);
}

TEST_F(EntryDialog, DeleteOnANewReservationAddsNothing) {
    Open();
    desk.On("CReserveDlg", [](QDialog* d) { Click(d, "button111"); });
    EXPECT_FALSE(editcmd::AddReservation(doc, nullptr, 0, 9));
    EXPECT_EQ(Stored(), 0u);
}

TEST_F(EntryDialog, BrowsePutsTheChosenUserIntoTheField) {
    CKivoUser a, b;
    a.m_strName = Sj("青木");
    b.m_strName = Sj("佐藤");
    WriteRegister(path, {}, {{1, "大会議室"}}, {a, b});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    doc.m_timeDay = At(2000, 4, 3, 0, 0);
    int preselected = -2;
    desk.On("CUserListDlg", [&](QDialog* d) {
        auto* list = Child<QListWidget>(d, "list117");
        preselected = list->currentRow();
        list->setCurrentRow(1);
        Click(d, "button1");
    });
    QString user;
    desk.On("CReserveDlg", [&](QDialog* d) {
        Set(d, "edit102", Q("青木"));
        Set(d, "edit121", "1200");
        Click(d, "button118");
        user = Get(d, "edit102");
        EXPECT_EQ(Get(d, "edit121"), "1200");
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::AddReservation(doc, nullptr, 0, 9));
    EXPECT_EQ(preselected, 0);
    EXPECT_EQ(user, Q("佐藤"));
    EXPECT_EQ(ReadRegister(path).reserves[0]->m_strUser, Sj("佐藤"));
}

TEST_F(EntryDialog, BrowseWithNoLineChosenKeepsTheTypedName) {
    CKivoUser a;
    a.m_strName = Sj("青木");
    WriteRegister(path, {}, {{1, "大会議室"}}, {a});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    doc.m_timeDay = At(2000, 4, 3, 0, 0);
    desk.On("CUserListDlg", [&](QDialog* d) {
        Child<QListWidget>(d, "list117")->clearSelection();
        Click(d, "button1");
    });
    QString user;
    desk.On("CReserveDlg", [&](QDialog* d) {
        Set(d, "edit102", Q("新規の客"));
        Click(d, "button118");
        user = Get(d, "edit102");
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::AddReservation(doc, nullptr, 0, 9));
    EXPECT_EQ(user, Q("新規の客"));
    EXPECT_EQ(ReadRegister(path).reserves[0]->m_strUser, Sj("新規の客"));
}

TEST_F(EntryDialog, ARenameFromBrowseRenamesTheBookingsAndTheEditedOneToo) {
    CKivoUser a;
    a.m_strName = Sj("青木");
    WriteRegister(path, {MakeReserve("青木", 1, 2000, 4, 3, 9, 0, 10, 0), MakeReserve("青木", 2, 2000, 4, 4, 9, 0, 10, 0)},
                  {{1, "大会議室"}, {2, "小会議室"}}, {a});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    desk.On("CUserDlg", [](QDialog* d) {
        Set(d, "edit102", Q("青木商店"));
        Click(d, "button1");
    });
    desk.On("CUserListDlg", [](QDialog* d) {
        Click(d, "button114");
        Click(d, "button1");
    });
    QString user;
    desk.On("CReserveDlg", [&](QDialog* d) {
        Click(d, "button118");
        user = Get(d, "edit102");
        Child<QCheckBox>(d, "check120")->setChecked(true);
        Click(d, "button1");
    });
    ASSERT_TRUE(editcmd::EditReservation(doc, nullptr, 0, *doc.m_arReserve[0]));
    EXPECT_TRUE(desk.Messages().empty());
    EXPECT_EQ(user, Q("青木商店"));
    CKivoDoc reread;
    ASSERT_TRUE(reread.OnOpenDocument(path));
    ASSERT_EQ(reread.m_arReserve.size(), 2u);
    for (const auto& r : reread.m_arReserve) EXPECT_EQ(r->m_strUser, Sj("青木商店"));
    EXPECT_EQ(reread.m_arReserve[0]->m_bPaid, 1);
    ASSERT_EQ(reread.m_arUser.size(), 1u);
    EXPECT_EQ(reread.m_arUser[0]->m_strName, Sj("青木商店"));
}

}  // namespace

ORVALIS_QTEST_MAIN
