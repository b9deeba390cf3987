#include "desktop/dialogs/freedlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

#include "core/booking/free.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"
#include "core/schedule/geometry.h"
#include "desktop/dialogs/editcommands.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/utf8.h"

namespace {

constexpr const char* kBadUntil = "終了日には開始日から 31 日以内の日付を入力してください。";
constexpr const char* kNoneFree = "条件に合う空き施設はありません";

QString Clock(uint32_t h, uint32_t m) { return QString::asprintf("%u:%02u", h, m); }

QString People(int maxPeople) {
    return maxPeople == 0 ? U("人数不明") : U("%1人").arg(maxPeople);
}

}  // namespace

CFreeDlg::CFreeDlg(CKivoDoc& doc, QWidget* parent) : QDialog(parent), doc_(doc) {
    SetUpDialog(this, "CFreeDlg", "空き検索");
    // Created in tab order: dates, times, people, facilities, answer, buttons.
    from_ = {Edit("editYear", 5), Edit("editMonth", 3), Edit("editDay", 3)};
    until_ = {Edit("editUntilYear", 5), Edit("editUntilMonth", 3), Edit("editUntilDay", 3)};
    times_ = {Edit("editStartHour", 3), Edit("editStartMinute", 3), Edit("editEndHour", 3), Edit("editEndMinute", 3)};
    people_ = Edit("editPeople", 4);
    facilities_ = new QListWidget(this);
    facilities_->setObjectName(QStringLiteral("listFacilities"));
    for (const auto& f : doc.m_arFacility) {
        auto* item = new QListWidgetItem(QString::fromUtf8(text::ToUtf8(f->m_strName)) + U("（") +
                                         People(f->m_nMaxPeople) + U("）"), facilities_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    answer_ = new QListWidget(this);
    answer_->setObjectName(QStringLiteral("listFree"));
    const int cw = fontMetrics().averageCharWidth(), lh = fontMetrics().height();
    answer_->setMinimumSize(46 * cw, 14 * lh);
    facilities_->setMinimumSize(24 * cw, 6 * lh);
    connect(answer_, &QListWidget::itemDoubleClicked, this, [this] { BookSelected(); });
    QPushButton* search = Button(this, "検索(&S)", "buttonSearch", true);
    QPushButton* book = Button(this, "予約(&R)...", "buttonBook");
    QPushButton* close = Button(this, "閉じる", "button2");
    connect(search, &QPushButton::clicked, this, [this] { Search(); });
    connect(book, &QPushButton::clicked, this, [this] { BookSelected(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QGridLayout;
    form->addWidget(BuddyLabel(this, "日付(&D):", from_[0]), 0, 0);
    form->addLayout(UnitRow(this, {from_[0], from_[1], from_[2]}, {"年", "月", "日から"}), 0, 1);
    form->addLayout(UnitRow(this, {until_[0], until_[1], until_[2]}, {"年", "月", "日まで"}), 1, 1);
    form->addWidget(BuddyLabel(this, "時刻(&T):", times_[0]), 2, 0);
    form->addLayout(UnitRow(this, {times_[0], times_[1], times_[2], times_[3]}, {"時", "分 ～", "時", "分"}), 2, 1);
    form->addWidget(BuddyLabel(this, "人数(&N):", people_), 3, 0);
    form->addLayout(UnitRow(this, {people_}, {"人以上"}), 3, 1);
    form->addWidget(BuddyLabel(this, "施設(&I):", facilities_), 4, 0, Qt::AlignTop);
    form->addWidget(facilities_, 4, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(BuddyLabel(this, "空いている施設(&L):", answer_));
    left->addWidget(answer_, 1);
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(left, 1);
    outer->addLayout(ButtonColumn({search, book, close}));
    ChainTabs({from_[0], from_[1], from_[2], until_[0], until_[1], until_[2], times_[0], times_[1], times_[2],
               times_[3], people_, facilities_, answer_, search, book, close});

    // The schedule's day and the entry dialog's usual hours to begin with.
    const ReserveEntry proposed;
    std::tm tm;
    if (kvtime::ToLocal(doc.m_timeDay, &tm)) {
        NumberField(from_[0], false).Show(static_cast<uint32_t>(tm.tm_year + 1900));
        NumberField(from_[1], false).Show(static_cast<uint32_t>(tm.tm_mon + 1));
        NumberField(from_[2], false).Show(static_cast<uint32_t>(tm.tm_mday));
    }
    const uint32_t clock[] = {proposed.startHour, proposed.startMinute, proposed.endHour, proposed.endMinute};
    for (size_t i = 0; i < times_.size(); ++i) NumberField(times_[i], false).Show(clock[i]);
    from_[0]->setFocus();
    adjustSize();
    CenterOverParent(this);
}

QLineEdit* CFreeDlg::Edit(const char* name, int chars) { return NumberEdit(this, name, chars); }

bool CFreeDlg::ReadQuestion(booking::FreeQuestion* q) {
    ReserveEntry& e = q->first;
    uint32_t* parts[] = {&e.year, &e.month, &e.day};
    for (size_t i = 0; i < from_.size(); ++i)
        if (!NumberField(from_[i], false).Read(parts[i])) return false;
    uint32_t* clock[] = {&e.startHour, &e.startMinute, &e.endHour, &e.endMinute};
    for (size_t i = 0; i < times_.size(); ++i)
        if (!NumberField(times_[i], false).Read(clock[i])) return false;
    if (!people_->text().trimmed().isEmpty() && !NumberField(people_, false).Read(&q->minPeople)) return false;
    bool anyUntil = false;
    for (QLineEdit* u : until_) anyUntil |= !u->text().trimmed().isEmpty();
    if (anyUntil) {
        uint32_t last[3] = {};
        for (size_t i = 0; i < until_.size(); ++i)
            if (!NumberField(until_[i], false).Read(&last[i])) return false;
        q->days = booking::DaysThrough(e, last[0], last[1], last[2]);
    }
    QLineEdit* wrong = nullptr;
    const char* message = nullptr;
    switch (booking::CheckQuestion(*q)) {
        case booking::FreeCheck::Ok: break;
        case booking::FreeCheck::BadDate: wrong = from_[0], message = msg::kBadDate; break;
        case booking::FreeCheck::BadStart: wrong = times_[0], message = msg::kBadStart; break;
        case booking::FreeCheck::BadEnd: wrong = times_[2], message = msg::kBadEnd; break;
        case booking::FreeCheck::BadDays: wrong = until_[0], message = kBadUntil; break;
    }
    if (message) {
        ShowMessage(this, U(message));
        wrong->setFocus();
        return false;
    }
    for (int i = 0; i < facilities_->count(); ++i)
        if (facilities_->item(i)->checkState() == Qt::Checked) q->facilities.push_back(i);
    return true;
}

bool CFreeDlg::Search() {
    booking::FreeQuestion q;
    if (!ReadQuestion(&q)) return false;
    // What other desks booked meanwhile counts: the file as it is now.
    if (doc_.RefreshFromFile() == CKivoDoc::Refresh::Read) doc_.UpdateAllViews(nullptr, ViewHint::OtherDesks);
    const bool dupForbidden = profile::GetInt(profile::Key::Dup) != 0;
    const int keep = answer_->currentRow();
    answer_->clear();
    lines_.clear();
    for (const booking::FreeSlot& s : booking::FindFree(doc_.m_arFacility, doc_.m_arReserve, q)) {
        // A desk that allows overlaps may still book a taken facility; it is told so.
        if (s.taken && dupForbidden) continue;
        const ReserveEntry e = booking::EntryOnDate(q.first, s.dateIndex);
        const CKivo& f = *doc_.m_arFacility[static_cast<size_t>(s.facility)];
        QString line = QString::fromUtf8(sched::DayCaption(kvtime::MidnightOf(e.year, e.month, e.day)).c_str()) +
                       U("  ") + Clock(e.startHour, e.startMinute) + U("～") + Clock(e.endHour, e.endMinute) +
                       U("  ") + QString::fromUtf8(text::ToUtf8(f.m_strName)) + U("  ") + People(f.m_nMaxPeople);
        if (s.taken) line += U("  重複あり");
        answer_->addItem(line);
        lines_.push_back({e, f.m_nID});
    }
    if (lines_.empty()) {
        auto* none = new QListWidgetItem(U(kNoneFree), answer_);
        none->setFlags(Qt::NoItemFlags);
        return true;
    }
    answer_->setCurrentRow(keep >= 0 && keep < answer_->count() ? keep : 0);
    return true;
}

bool CFreeDlg::BookSelected() {
    const int row = answer_->currentRow();
    if (row < 0 || static_cast<size_t>(row) >= lines_.size()) return false;
    const Line line = lines_[static_cast<size_t>(row)];
    if (!editcmd::AddReservationFor(doc_, this, line.entry, line.facilityId)) return false;
    Search();
    return true;
}

void CFreeDlg::accept() {
    // focusWidget, not hasFocus: the dialog's own focus, whether or not it is the active window.
    if (focusWidget() == answer_ && !lines_.empty()) BookSelected();
    else Search();
}

void RunFreeSearch(CKivoDoc& doc, QWidget* parent) {
    CFreeDlg dlg(doc, parent);
    dlg.Search();
    Prompt().Exec(&dlg);
}
