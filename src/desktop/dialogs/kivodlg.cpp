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

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QPushButton* Button(QWidget* parent, const char* text, const char* name, bool isDefault = false) {
    auto* b = new QPushButton(U(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(isDefault);
    b->setDefault(isDefault);
    return b;
}

}  // namespace

// ---------------------------------------------------------------- CKivoDlg

CKivoDlg::CKivoDlg(const CKivo& init, QWidget* parent) : QDialog(parent), result_(init) {
    setObjectName(QStringLiteral("CKivoDlg"));
    setWindowTitle(U("施設"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const int cw = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    // Created in tab order: name, maximum people, comment, OK, Cancel, and
    // the number last although it stands at the top.
    auto* name = new QLineEdit(this);
    name->setObjectName(QStringLiteral("edit102"));
    name->setMinimumWidth(cw * 32);
    auto* maxPeople = new QLineEdit(this);
    maxPeople->setObjectName(QStringLiteral("edit104"));
    maxPeople->setFixedWidth(cw * 7 + 16);
    auto* comment = new QPlainTextEdit(this);
    comment->setObjectName(QStringLiteral("edit103"));
    comment->setTabChangesFocus(true);
    comment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    comment->setFixedHeight(comment->fontMetrics().lineSpacing() * 4 + 12);
    auto* ok = Button(this, "OK", "button1", true);
    auto* cancel = Button(this, "ｷｬﾝｾﾙ", "button2");
    auto* number = new QLineEdit(this);
    number->setObjectName(QStringLiteral("edit105"));
    number->setFixedWidth(cw * 7 + 16);

    auto* form = new QFormLayout;
    auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(U(text), this);
        l->setBuddy(buddy);
        return l;
    };
    form->addRow(label("ID(&I):", number), number);
    form->addRow(label("施設名(&R):", name), name);
    auto* peopleRow = new QHBoxLayout;
    peopleRow->addWidget(maxPeople);
    peopleRow->addWidget(new QLabel(U("人"), this));
    peopleRow->addStretch(1);
    form->addRow(label("最大人数(&N):", maxPeople), peopleRow);
    form->addRow(label("コメント(&C):", comment), comment);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(form, 1);
    outer->addLayout(buttons);
    setTabOrder(name, maxPeople);
    setTabOrder(maxPeople, comment);
    setTabOrder(comment, ok);
    setTabOrder(ok, cancel);
    setTabOrder(cancel, number);
    connect(ok, &QPushButton::clicked, this, &CKivoDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CKivoDlg::reject);

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
    setObjectName(QStringLiteral("CKivoListDlg"));
    setWindowTitle(U("施設の編集"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("list112"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setMinimumSize(list_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 32,
                          list_->fontMetrics().lineSpacing() * 12);
    auto* close = Button(this, "閉じる", "button1", true);
    auto* add = Button(this, "追加(&A)...", "button113");
    auto* change = Button(this, "変更(&E)...", "button114");
    auto* del = Button(this, "削除(&D)", "button111");
    auto* up = Button(this, "一つ上へ", "button115");
    auto* down = Button(this, "一つ下へ", "button116");
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {close, add, change, del, up, down}) buttons->addWidget(b);
    buttons->addStretch(1);
    auto* outer = new QHBoxLayout(this);
    outer->addWidget(list_, 1);
    outer->addLayout(buttons);
    QWidget* chain[] = {list_, close, add, change, del, up, down};
    for (size_t i = 1; i < std::size(chain); ++i) setTabOrder(chain[i - 1], chain[i]);
    connect(close, &QPushButton::clicked, this, &CKivoListDlg::accept);
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

int CKivoListDlg::Selection() const {
    const QModelIndexList sel = list_->selectionModel()->selectedIndexes();
    return sel.isEmpty() ? -1 : sel.first().row();
}

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
