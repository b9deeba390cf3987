#include "desktop/dialogs/entryfields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/doc/kivodoc.h"
#include "core/doc/reserveentry.h"
#include "core/doc/text.h"
#include "desktop/dialogs/utf8.h"

namespace {

QLineEdit* LineEdit(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QComboBox* FacilityBox(QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QStringLiteral("combo109"));
    c->setEditable(false);
    c->setMaxVisibleItems(12);
    return c;
}

QCheckBox* PaidBox(QWidget* parent) {
    auto* c = new QCheckBox(U("料金の入金(&F)"), parent);
    c->setObjectName(QStringLiteral("check120"));
    return c;
}

QLineEdit* FeeEdit(QWidget* parent) {
    QLineEdit* e = NumberEdit(parent, "edit121", 10);
    e->setAlignment(Qt::AlignRight);
    return e;
}

}  // namespace

EntryControls::EntryControls(QWidget* parent, int textLines, const char* dateLabel)
    : user(LineEdit(parent, "edit102")),
      browse(Button(parent, "参照(&B)...", "button118")),
      year(NumberEdit(parent, "edit114", 5)),
      month(NumberEdit(parent, "edit115", 3)),
      day(NumberEdit(parent, "edit116", 3)),
      startHour(NumberEdit(parent, "edit105", 3)),
      startMinute(NumberEdit(parent, "edit106", 3)),
      endHour(NumberEdit(parent, "edit107", 3)),
      endMinute(NumberEdit(parent, "edit108", 3)),
      facility(FacilityBox(parent)),
      purpose(MultiLineEdit(parent, "edit110", textLines)),
      contact(MultiLineEdit(parent, "edit112", textLines)),
      paid(PaidBox(parent)),
      fee(FeeEdit(parent)),
      parent_(parent),
      dateLabel_(dateLabel),
      userField_(user),
      purposeField_(purpose),
      contactField_(contact),
      yearField_(year, false),
      monthField_(month, false),
      dayField_(day, false),
      startHourField_(startHour, false),
      startMinuteField_(startMinute, false),
      endHourField_(endHour, false),
      endMinuteField_(endMinute, false),
      feeField_(fee, true) {}

void EntryControls::ListFacilities(const CKivoDoc& doc) {
    for (const auto& f : doc.m_arFacility) facility->addItem(QString::fromUtf8(text::ToUtf8(f->m_strName)));
}

void EntryControls::Show(const ReserveEntry& e) {
    facility->setCurrentIndex(e.facility >= 0 && e.facility < facility->count() ? e.facility : -1);
    userField_.Show(e.user);
    purposeField_.Show(e.purpose);
    contactField_.Show(e.contact);
    yearField_.Show(e.year);
    monthField_.Show(e.month);
    dayField_.Show(e.day);
    startHourField_.Show(e.startHour);
    startMinuteField_.Show(e.startMinute);
    endHourField_.Show(e.endHour);
    endMinuteField_.Show(e.endMinute);
    paid->setChecked(e.paid);
    feeField_.Show(e.fee);
}

bool EntryControls::ReadField(Field f, ReserveEntry* e) const {
    switch (f) {
    case Field::User: return userField_.Read(&e->user);
    case Field::Year: return yearField_.Read(&e->year);
    case Field::Month: return monthField_.Read(&e->month);
    case Field::Day: return dayField_.Read(&e->day);
    case Field::StartHour: return startHourField_.Read(&e->startHour);
    case Field::StartMinute: return startMinuteField_.Read(&e->startMinute);
    case Field::EndHour: return endHourField_.Read(&e->endHour);
    case Field::EndMinute: return endMinuteField_.Read(&e->endMinute);
    case Field::Purpose: return purposeField_.Read(&e->purpose);
    case Field::Contact: return contactField_.Read(&e->contact);
    case Field::Fee: return feeField_.Read(&e->fee);
    }
    return false;
}

bool EntryControls::Read(std::initializer_list<Field> order, ReserveEntry* e) const {
    for (Field f : order)
        if (!ReadField(f, e)) return false;
    e->facility = facility->currentIndex();
    e->paid = paid->isChecked();
    return true;
}

int EntryControls::AddRows(QGridLayout* grid, int r, std::initializer_list<Row> rows) const {
    for (Row row : rows) AddRow(grid, r++, row);
    return r;
}

void EntryControls::AddRow(QGridLayout* grid, int r, Row row) const {
    QWidget* p = parent_;
    switch (row) {
    case Row::User: {
        grid->addWidget(BuddyLabel(p, "使用者(&U):", user), r, 0);
        auto* h = new QHBoxLayout;
        h->addWidget(user, 1);
        h->addWidget(browse);
        grid->addLayout(h, r, 1);
        return;
    }
    case Row::Date:
        grid->addWidget(BuddyLabel(p, dateLabel_, year), r, 0);
        grid->addLayout(UnitRow(p, {year, month, day}, {"年", "月", "日"}), r, 1);
        return;
    case Row::Start:
        grid->addWidget(BuddyLabel(p, "開始時刻(&S):", startHour), r, 0);
        grid->addLayout(UnitRow(p, {startHour, startMinute}, {"時", "分"}), r, 1);
        return;
    case Row::End:
        grid->addWidget(BuddyLabel(p, "終了時刻(&E):", endHour), r, 0);
        grid->addLayout(UnitRow(p, {endHour, endMinute}, {"時", "分"}), r, 1);
        return;
    case Row::Facility:
        grid->addWidget(BuddyLabel(p, "施設名(&N):", facility), r, 0);
        grid->addWidget(facility, r, 1);
        return;
    case Row::Purpose:
        grid->addWidget(BuddyLabel(p, "使用目的(&P)", purpose), r, 0, Qt::AlignTop);
        grid->addWidget(purpose, r, 1);
        return;
    case Row::Contact:
        grid->addWidget(BuddyLabel(p, "連絡先(&A)", contact), r, 0, Qt::AlignTop);
        grid->addWidget(contact, r, 1);
        return;
    case Row::Fee: {
        auto* h = new QHBoxLayout;
        h->addWidget(paid);
        h->addSpacing(16);
        h->addWidget(BuddyLabel(p, "料金(&F):", fee));
        h->addWidget(fee);
        h->addWidget(new QLabel(U("円"), p));
        h->addStretch(1);
        grid->addLayout(h, r, 1);
        return;
    }
    }
}

std::vector<QWidget*> EntryControls::TabOrder(std::initializer_list<Row> rows) const {
    std::vector<QWidget*> out;
    for (Row row : rows) {
        switch (row) {
        case Row::User: out.insert(out.end(), {user, browse}); break;
        case Row::Date: out.insert(out.end(), {year, month, day}); break;
        case Row::Start: out.insert(out.end(), {startHour, startMinute}); break;
        case Row::End: out.insert(out.end(), {endHour, endMinute}); break;
        case Row::Facility: out.push_back(facility); break;
        case Row::Purpose: out.push_back(purpose); break;
        case Row::Contact: out.push_back(contact); break;
        case Row::Fee: out.insert(out.end(), {paid, fee}); break;
        }
    }
    return out;
}
