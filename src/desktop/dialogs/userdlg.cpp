#include "desktop/dialogs/userdlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/doc/kivodoc.h"
#include "core/doc/text.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/usercommands.h"
#include "desktop/dialogs/utf8.h"

// ---------------------------------------------------------------- CUserDlg

CUserDlg::CUserDlg(const CKivoUser& record, bool newRecord, QWidget* parent) : QDialog(parent), record_(record) {
    SetUpDialog(this, "CUserDlg", "使用者");
    // Controls in tab order, which is the record's field order (the memo is
    // the last field); their ids follow the template.
    struct FieldRow {
        const char* label;
        const char* name;
    };
    const FieldRow rows[] = {{"使用者名(&N):", "edit102"}, {"担当者(&U):", "edit103"},
                             {"電話番号(&T):", "edit104"}, {"郵便番号(&Z):", "edit105"},
                             {"住所(&A):", "edit112"},     {"E-MAIL(&E):", "edit107"}};
    auto* form = new QFormLayout;
    std::vector<QWidget*> chain;
    for (const FieldRow& row : rows) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(row.name));
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 40);
        form->addRow(BuddyLabel(this, row.label, e), e);
        fields_.emplace_back(e);
        chain.push_back(e);
    }
    QPlainTextEdit* memo = MultiLineEdit(this, "edit108", 4);
    form->addRow(BuddyLabel(this, "メモ(&M):", memo), memo);
    fields_.emplace_back(memo);
    QPushButton* ok = OkButton(this);
    QPushButton* cancel = CancelButton(this);
    chain.insert(chain.end(), {memo, ok, cancel});
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addLayout(ButtonRow({ok, cancel}));
    ChainTabs(chain);

    for (int f = 0; f < 7; ++f) fields_[static_cast<size_t>(f)].Show(newRecord ? std::string() : *record_.Field(f));
    CenterOverParent(this);
    chain.front()->setFocus();
}

void CUserDlg::accept() {
    CKivoUser r = record_;
    for (int f = 0; f < 7; ++f)
        if (!fields_[static_cast<size_t>(f)].Read(r.Field(f))) return;
    record_ = r;
    QDialog::accept();
}

// ------------------------------------------------------------ CUserFindDlg

CUserFindDlg::CUserFindDlg(QWidget* parent) : QDialog(parent) {
    SetUpDialog(this, "CUserFindDlg", "ユーザ検索");
    combo_ = new QComboBox(this);
    combo_->setObjectName(QStringLiteral("combo123"));
    for (const char* entry : {"名前", "担当者名", "電話番号", "郵便番号", "住所", "E-MAIL", "メモ"})
        combo_->addItem(U(entry));
    combo_->setCurrentIndex(0);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("edit124"));
    edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 30);
    QPushButton* ok = OkButton(this, "開始");
    QPushButton* cancel = CancelButton(this);
    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(this, "検索項目(&I):", combo_), combo_);
    form->addRow(BuddyLabel(this, "検索文字(&S)", edit_), edit_);
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(form, 1);
    outer->addLayout(ButtonColumn({ok, cancel}));
    ChainTabs({combo_, edit_, ok, cancel});
    textField_.emplace(edit_);
    textField_->Show(std::string());
    CenterOverParent(this);
    combo_->setFocus();
}

void CUserFindDlg::accept() {
    std::string t;
    if (!textField_->Read(&t)) return;
    field_ = combo_->currentIndex();
    text_ = t;
    QDialog::accept();
}

// ------------------------------------------------------------ CUserListDlg

CUserListDlg::CUserListDlg(CKivoDoc& doc, const std::string& name, QWidget* parent)
    : QDialog(parent), doc_(doc), name_(name) {
    SetUpDialog(this, "CUserListDlg", "使用者リスト");
    QPushButton* ok = OkButton(this);
    QPushButton* cancel = CancelButton(this);
    QPushButton* add = Button(this, "追加(&A)...", "button113");
    QPushButton* edit = Button(this, "編集(&E)...", "button114");
    QPushButton* find = Button(this, "検索(&F)...", "button115");
    QPushButton* next = Button(this, "次検索(&N)...", "button116");
    QPushButton* prev = Button(this, "前検索(&P)...", "button118");
    list_ = ListWithButtons(this, "list117", 32, 14, {ok, cancel, add, edit, find, next, prev});
    connect(add, &QPushButton::clicked, this, &CUserListDlg::OnAdd);
    connect(edit, &QPushButton::clicked, this, &CUserListDlg::OnEdit);
    connect(find, &QPushButton::clicked, this, &CUserListDlg::OnFind);
    connect(next, &QPushButton::clicked, this, [this] { OnFindNext(1); });
    connect(prev, &QPushButton::clicked, this, [this] { OnFindNext(-1); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        Select(list_->row(item));
        accept();
    });
    CenterOverParent(this);
    FillList(Fill::Preselect);
}

int CUserListDlg::Selection() const { return SelectedRow(list_); }

void CUserListDlg::Select(int line) {
    list_->clearSelection();
    if (line < 0 || line >= list_->count()) return;
    list_->setCurrentRow(line, QItemSelectionModel::ClearAndSelect);
    list_->scrollToItem(list_->item(line));
}

void CUserListDlg::FillList(Fill mode) {
    const int keep = Selection();
    list_->setUpdatesEnabled(false);
    list_->clear();
    names_.clear();
    for (const auto& u : doc_.m_arUser) {
        names_.push_back(u->m_strName);
        list_->addItem(QString::fromUtf8(text::ToUtf8(u->m_strName)));
    }
    int line = keep;
    if (mode == Fill::Preselect) {
        line = -1;
        for (size_t i = 0; i < names_.size(); ++i)
            if (names_[i] == name_) line = static_cast<int>(i);
    } else if (mode == Fill::Append) {
        line = list_->count() - 1;
    }
    Select(line);
    list_->setFocus();
    list_->setUpdatesEnabled(true);
}

void CUserListDlg::OnAdd() {
    if (!doc_.ReloadFromFile()) {
        FillList(Fill::Plain);
        return;
    }
    CUserDlg dlg(CKivoUser(), true, this);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    // The list windows refill at their next refresh; this dialog only repaints.
    editcmd::StoreNewUser(doc_, dlg.Record(), ViewHint::Repaint);
    FillList(Fill::Append);
}

void CUserListDlg::OnEdit() {
    const int sel = Selection();
    if (sel < 0) return;
    if (!doc_.ReloadFromFile()) {
        FillList(Fill::Plain);
        return;
    }
    if (sel >= static_cast<int>(doc_.m_arUser.size())) {
        FillList(Fill::Plain);
        return;
    }
    const CKivoUser snapshot = *doc_.m_arUser[static_cast<size_t>(sel)];
    CUserDlg dlg(snapshot, false, this);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) {
        FillList(Fill::Plain);
        return;
    }
    const CKivoUser edited = dlg.Record();
    // A rename changes reservations too, so the list windows refill as after
    // the user list window's edit; otherwise they wait for their next refresh.
    const bool renamed = edited.m_strName != snapshot.m_strName;
    if (editcmd::StoreUserEdit(doc_, this, sel, snapshot, edited, renamed ? ViewHint::Changed : ViewHint::Repaint) == TxResult::Done && renamed)
        renames_.emplace_back(snapshot.m_strName, edited.m_strName);
    FillList(Fill::Plain);
}

void CUserListDlg::OnFind() {
    const int q = editcmd::FindUser(doc_, this);
    if (q >= 0) Select(q);
    list_->setFocus();
}

void CUserListDlg::OnFindNext(int step) {
    const int q = editcmd::FindUserNext(doc_, this, Selection(), step);
    if (q >= 0) Select(q);
    list_->setFocus();
}

void CUserListDlg::accept() {
    // With no line chosen there is no user to hand back; taking line 0 would
    // replace the name the clerk typed with whoever stands first.
    const int line = Selection();
    if (line < 0 || line >= static_cast<int>(names_.size())) {
        reject();
        return;
    }
    name_ = names_[static_cast<size_t>(line)];
    QDialog::accept();
}
