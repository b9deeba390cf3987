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
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "desktop/dialogs/modalprompt.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QPushButton* Button(QWidget* parent, const char* text, const char* name, bool isDefault = false) {
    auto* b = new QPushButton(U(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(isDefault);
    b->setDefault(isDefault);
    return b;
}

void ChainTabs(QWidget* dlg, std::initializer_list<QWidget*> chain) {
    QWidget* prev = nullptr;
    for (QWidget* w : chain) {
        if (prev) QWidget::setTabOrder(prev, w);
        prev = w;
    }
    (void)dlg;
}

// One user's edit in its change transaction, the same from the list window
// and from the list dialog: the record found again by value, and a new name
// carried into the reservations so the old one does not come back as a user.
TxResult StoreUserEdit(CKivoDoc& doc, int pos, const CKivoUser& before, const CKivoUser& edited, int hint,
                       bool* vanished) {
    return doc.Transact(
        [&](CKivoDoc& d) {
            const int q = d.FindUser(pos, before);
            if (q < 0) {
                *vanished = true;
                return false;
            }
            *d.m_arUser[static_cast<size_t>(q)] = edited;
            if (edited.m_strName != before.m_strName) d.RenameUser(before.m_strName, edited.m_strName);
            return true;
        },
        nullptr, hint);
}

}  // namespace

// ---------------------------------------------------------------- CUserDlg

CUserDlg::CUserDlg(const CKivoUser& record, bool newRecord, QWidget* parent) : QDialog(parent), record_(record) {
    setObjectName(QStringLiteral("CUserDlg"));
    setWindowTitle(U("使用者"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Controls in tab order; their ids follow the template, not field order.
    struct FieldRow {
        const char* label;
        const char* name;
        int field;
    };
    const FieldRow rows[] = {{"使用者名(&N):", "edit102", 0}, {"担当者(&U):", "edit103", 1},
                          {"電話番号(&T):", "edit104", 2}, {"郵便番号(&Z):", "edit105", 3},
                          {"住所(&A):", "edit112", 4},     {"E-MAIL(&E):", "edit107", 5}};
    auto* form = new QFormLayout;
    std::vector<std::optional<TextField>> byField(7);
    QWidget* chainWidgets[9] = {};
    int k = 0;
    for (const FieldRow& s : rows) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(s.name));
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 40);
        auto* l = new QLabel(U(s.label), this);
        l->setBuddy(e);
        form->addRow(l, e);
        byField[static_cast<size_t>(s.field)].emplace(e);
        chainWidgets[k++] = e;
    }
    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("edit108"));
    memo->setTabChangesFocus(true);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setFixedHeight(memo->fontMetrics().lineSpacing() * 4 + 12);
    auto* memoLabel = new QLabel(U("メモ(&M):"), this);
    memoLabel->setBuddy(memo);
    form->addRow(memoLabel, memo);
    byField[6].emplace(memo);
    chainWidgets[k++] = memo;

    auto* ok = Button(this, "OK", "button1", true);
    auto* cancel = Button(this, "ｷｬﾝｾﾙ", "button2");
    chainWidgets[k++] = ok;
    chainWidgets[k++] = cancel;
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addLayout(buttons);
    for (int i = 1; i < k; ++i) setTabOrder(chainWidgets[i - 1], chainWidgets[i]);
    connect(ok, &QPushButton::clicked, this, &CUserDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CUserDlg::reject);

    for (int f = 0; f < 7; ++f) {
        fields_.push_back(*byField[static_cast<size_t>(f)]);
        fields_.back().Show(newRecord ? std::string() : *record_.Field(f));
    }
    CenterOverParent(this);
    chainWidgets[0]->setFocus();
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
    setObjectName(QStringLiteral("CUserFindDlg"));
    setWindowTitle(U("ユーザ検索"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    combo_ = new QComboBox(this);
    combo_->setObjectName(QStringLiteral("combo123"));
    for (const char* entry : {"名前", "担当者名", "電話番号", "郵便番号", "住所", "E-MAIL", "メモ"})
        combo_->addItem(U(entry));
    combo_->setCurrentIndex(0);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("edit124"));
    edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 30);
    auto* ok = Button(this, "開始", "button1", true);
    auto* cancel = Button(this, "ｷｬﾝｾﾙ", "button2");
    auto* form = new QFormLayout;
    auto* l1 = new QLabel(U("検索項目(&I):"), this);
    l1->setBuddy(combo_);
    auto* l2 = new QLabel(U("検索文字(&S)"), this);
    l2->setBuddy(edit_);
    form->addRow(l1, combo_);
    form->addRow(l2, edit_);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(form, 1);
    outer->addLayout(buttons);
    ChainTabs(this, {combo_, edit_, ok, cancel});
    connect(ok, &QPushButton::clicked, this, &CUserFindDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CUserFindDlg::reject);
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
    setObjectName(QStringLiteral("CUserListDlg"));
    setWindowTitle(U("使用者リスト"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("list117"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setMinimumSize(list_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 32,
                          list_->fontMetrics().lineSpacing() * 14);
    auto* ok = Button(this, "OK", "button1", true);
    auto* cancel = Button(this, "ｷｬﾝｾﾙ", "button2");
    auto* add = Button(this, "追加(&A)...", "button113");
    auto* edit = Button(this, "編集(&E)...", "button114");
    auto* find = Button(this, "検索(&F)...", "button115");
    auto* next = Button(this, "次検索(&N)...", "button116");
    auto* prev = Button(this, "前検索(&P)...", "button118");
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {ok, cancel, add, edit, find, next, prev}) buttons->addWidget(b);
    buttons->addStretch(1);
    auto* outer = new QHBoxLayout(this);
    outer->addWidget(list_, 1);
    outer->addLayout(buttons);
    ChainTabs(this, {list_, ok, cancel, add, edit, find, next, prev});
    connect(ok, &QPushButton::clicked, this, &CUserListDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CUserListDlg::reject);
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

int CUserListDlg::Selection() const {
    const QModelIndexList sel = list_->selectionModel()->selectedIndexes();
    return sel.isEmpty() ? -1 : sel.first().row();
}

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
    const CKivoUser added = dlg.Record();
    // The list windows refill at their next refresh; this dialog only repaints.
    doc_.Transact(
        [&added](CKivoDoc& d) {
            d.m_arUser.push_back(std::make_unique<CKivoUser>(added));
            return true;
        },
        nullptr, 0);
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
    bool vanished = false;
    // A rename changes reservations too, so the list windows refill as after
    // the user list window's edit; otherwise they wait for their next refresh.
    const bool renamed = edited.m_strName != snapshot.m_strName;
    if (StoreUserEdit(doc_, sel, snapshot, edited, renamed ? 1 : 0, &vanished) == TxResult::Done && renamed)
        renames_.emplace_back(snapshot.m_strName, edited.m_strName);
    if (vanished) ShowMessage(this, U(msg::kEditConflict));
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

// --------------------------------------------------------- user commands

namespace editcmd {

bool AddUser(CKivoDoc& doc, QWidget* parent) {
    if (!doc.ReloadFromFile()) {
        doc.UpdateAllViews(nullptr, 1);
        return false;
    }
    CUserDlg dlg(CKivoUser(), true, parent);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return false;
    const CKivoUser added = dlg.Record();
    return doc.Transact(
               [&added](CKivoDoc& d) {
                   d.m_arUser.push_back(std::make_unique<CKivoUser>(added));
                   return true;
               },
               nullptr, 1) == TxResult::Done;
}

bool EditUser(CKivoDoc& doc, QWidget* parent, int pos, const CKivoUser& shown) {
    const CKivoUser snapshot = shown;  // may be the document's own record, which the re-read frees
    if (!doc.ReloadFromFile()) {
        doc.UpdateAllViews(nullptr, 1);
        return false;
    }
    const int k = doc.FindUser(pos, snapshot);
    if (k < 0) {
        ShowMessage(parent, U(msg::kEditConflict));
        doc.UpdateAllViews(nullptr, 1);
        return false;
    }
    const CKivoUser before = *doc.m_arUser[static_cast<size_t>(k)];
    CUserDlg dlg(before, false, parent);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return false;
    const CKivoUser edited = dlg.Record();
    bool vanished = false;
    const TxResult tx = StoreUserEdit(doc, k, before, edited, 1, &vanished);
    if (vanished) ShowMessage(parent, U(msg::kEditConflict));
    return tx == TxResult::Done;
}

bool DeleteUser(CKivoDoc& doc, QWidget* parent, int pos, const CKivoUser& shown) {
    const CKivoUser snapshot = shown;  // may be the document's own record
    if (!doc.ReloadFromFile()) {
        doc.UpdateAllViews(nullptr, 1);
        return false;
    }
    if (!AskOkCancel(parent, U(msg::kConfirmDelete))) return false;
    bool vanished = false;
    const TxResult tx = doc.Transact(
        [&](CKivoDoc& d) {
            const int q = d.FindUser(pos, snapshot);
            if (q < 0) {
                vanished = true;
                return false;
            }
            d.m_arUser.erase(d.m_arUser.begin() + q);
            return true;
        },
        nullptr, 1);
    if (vanished) ShowMessage(parent, U(msg::kEditConflict));
    return tx == TxResult::Done;
}

int FindUser(CKivoDoc& doc, QWidget* parent) {
    CUserFindDlg dlg(parent);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return -2;
    const int q = doc.SearchUser(0, dlg.Field(), dlg.Text());
    if (q < 0) ShowMessage(parent, U(msg::kNotFound));
    return q;
}

int FindUserNext(CKivoDoc& doc, QWidget* parent, int selection, int step) {
    const int q = doc.SearchUserNext(selection + step, step);
    if (q < 0) ShowMessage(parent, U(msg::kNotFound));
    return q;
}

}  // namespace editcmd
