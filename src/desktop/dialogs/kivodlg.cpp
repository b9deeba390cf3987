#include "desktop/dialogs/kivodlg.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/utf8.h"

// ---------------------------------------------------------------- CKivoDlg

CKivoDlg::CKivoDlg(const CKivo& init, QWidget* parent) : QDialog(parent), result_(init) {
    SetUpDialog(this, "CKivoDlg", "施設");
    // Created in tab order: name, maximum people, comment, OK, Cancel, and
    // the number last although it stands at the top.
    auto* name = new QLineEdit(this);
    name->setObjectName(QStringLiteral("edit102"));
    name->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 32);
    QLineEdit* maxPeople = NumberEdit(this, "edit104", 7);
    QPlainTextEdit* comment = MultiLineEdit(this, "edit103", 4);
    QPushButton* ok = OkButton(this);
    QPushButton* cancel = CancelButton(this);
    QLineEdit* number = NumberEdit(this, "edit105", 7);

    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(this, "ID(&I):", number), number);
    form->addRow(BuddyLabel(this, "施設名(&R):", name), name);
    form->addRow(BuddyLabel(this, "最大人数(&N):", maxPeople), UnitRow(this, {maxPeople}, {"人"}));
    form->addRow(BuddyLabel(this, "コメント(&C):", comment), comment);
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(form, 1);
    outer->addLayout(ButtonColumn({ok, cancel}));
    ChainTabs({name, maxPeople, comment, ok, cancel, number});

    comment_.emplace(comment);
    name_.emplace(name);
    maxPeople_.emplace(maxPeople, true);
    number_.emplace(number, true);
    comment_->Show(init.m_strComment);
    name_->Show(init.m_strName);
    maxPeople_->Show(static_cast<uint32_t>(init.m_nMaxPeople));
    number_->Show(static_cast<uint32_t>(init.m_nID));
    CenterOverParent(this);
    name->setFocus();
}

CKivo CKivoDlg::Proposed(const FacilityArray& facilities) {
    CKivo k;
    k.m_nID = facilities.empty() ? 0 : facilities.back()->m_nID + 1;
    k.m_nMaxPeople = 5;
    return k;
}

void CKivoDlg::accept() {
    CKivo r = result_;
    uint32_t people = 0, id = 0;
    // Member order: comment, name, maximum people, number.
    if (!comment_->Read(&r.m_strComment) || !name_->Read(&r.m_strName) || !maxPeople_->Read(&people) ||
        !number_->Read(&id))
        return;
    r.m_nMaxPeople = static_cast<int>(people);
    r.m_nID = static_cast<int>(id);
    result_ = r;
    QDialog::accept();
}

// ------------------------------------------------------------ CKivoListDlg

CKivoListDlg::CKivoListDlg(FacilityArray& facilities, QWidget* parent) : QDialog(parent), facilities_(facilities) {
    SetUpDialog(this, "CKivoListDlg", "施設の編集");
    QPushButton* close = OkButton(this, "閉じる");
    QPushButton* add = Button(this, "追加(&A)...", "button113");
    QPushButton* change = Button(this, "変更(&E)...", "button114");
    QPushButton* del = Button(this, "削除(&D)", "button111");
    QPushButton* up = Button(this, "一つ上へ", "button115");
    QPushButton* down = Button(this, "一つ下へ", "button116");
    list_ = ListWithButtons(this, "list112", 32, 12, {close, add, change, del, up, down});
    connect(add, &QPushButton::clicked, this, &CKivoListDlg::OnAdd);
    connect(change, &QPushButton::clicked, this, &CKivoListDlg::OnChange);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        list_->setCurrentRow(list_->row(item), QItemSelectionModel::ClearAndSelect);
        OnChange();
    });
    connect(del, &QPushButton::clicked, this, &CKivoListDlg::OnDelete);
    connect(up, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(down, &QPushButton::clicked, this, [this] { OnMove(1); });
    CenterOverParent(this);
    modified_ = false;
    FillList(0);
    list_->setFocus();
}

int CKivoListDlg::Selection() const { return SelectedRow(list_); }

void CKivoListDlg::FillList(int select) {
    list_->clear();
    for (const auto& f : facilities_) list_->addItem(QString::fromUtf8(text::ToUtf8(f->m_strName)));
    list_->clearSelection();
    if (select >= 0 && select < list_->count()) list_->setCurrentRow(select, QItemSelectionModel::ClearAndSelect);
}

void CKivoListDlg::OnAdd() {
    CKivoDlg dlg(CKivoDlg::Proposed(facilities_), this);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    facilities_.push_back(std::make_unique<CKivo>(dlg.Result()));
    FillList(static_cast<int>(facilities_.size()) - 1);
    modified_ = true;
}

void CKivoListDlg::OnChange() {
    const int sel = Selection();
    if (sel < 0 || sel >= static_cast<int>(facilities_.size())) return;
    CKivoDlg dlg(*facilities_[static_cast<size_t>(sel)], this);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    *facilities_[static_cast<size_t>(sel)] = dlg.Result();
    FillList(sel);
    modified_ = true;
}

void CKivoListDlg::OnDelete() {
    if (!AskOkCancel(this, U(msg::kConfirmDelete))) return;
    const int sel = Selection();
    if (sel < 0 || sel >= static_cast<int>(facilities_.size())) return;
    // Reservations keep the removed number; they simply show no facility.
    facilities_.erase(facilities_.begin() + sel);
    FillList(0);
    modified_ = true;
}

void CKivoListDlg::OnMove(int step) {
    const int sel = Selection();
    const int to = sel + step;
    if (sel < 0 || to < 0 || to >= static_cast<int>(facilities_.size())) return;
    std::swap(facilities_[static_cast<size_t>(sel)], facilities_[static_cast<size_t>(to)]);
    FillList(to);
    modified_ = true;
}

void CKivoListDlg::reject() {
    if (modified_) accept();
    else QDialog::reject();
}
