#include "desktop/dialogs/serverdlg.h"

#include <QFormLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/dialogs/dlgfields.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/utf8.h"

namespace {

QLineEdit* Field(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMinimumWidth(e->fontMetrics().averageCharWidth() * 32);
    return e;
}

// Any text as a part of the location: what a URI may not hold, %-escaped.
QString Escaped(const QString& s) { return QString::fromLatin1(s.toUtf8().toPercentEncoding("/")); }

}  // namespace

CServerDlg::CServerDlg(QWidget* parent) : QDialog(parent) {
    SetUpDialog(this, "CServerDlg", "サーバーの登録簿を開く");
    host_ = Field(this, "edit_host");
    port_ = Field(this, "edit_port");
    port_->setValidator(new QIntValidator(1, 65535, port_));
    database_ = Field(this, "edit_database");
    register_ = Field(this, "edit_register");
    user_ = Field(this, "edit_user");
    auto* form = new QFormLayout;
    form->addRow(BuddyLabel(this, "ホスト(&H):", host_), host_);
    form->addRow(BuddyLabel(this, "ポート(&P):", port_), port_);
    form->addRow(BuddyLabel(this, "データベース(&D):", database_), database_);
    form->addRow(BuddyLabel(this, "登録簿(&R):", register_), register_);
    form->addRow(BuddyLabel(this, "ユーザー(&U):", user_), user_);
    auto* note = new QLabel(U("ホストを空けると、この機械のサーバーにつなぎます。ソケットのフォルダー (/ で始まる) も書けます。"), this);
    note->setWordWrap(true);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addWidget(note);
    outer->addLayout(ButtonRow({OkButton(this), CancelButton(this)}));
    host_->setFocus();
    adjustSize();
    CenterOverParent(this);
}

void CServerDlg::accept() {
    const QString host = host_->text().trimmed(), port = port_->text().trimmed(), user = user_->text().trimmed();
    const QString database = database_->text().trimmed(), name = register_->text();
    if (database.isEmpty() || name.isEmpty()) {
        ShowMessage(this, U("データベースと登録簿の名前を入力してください。"));
        (database.isEmpty() ? database_ : register_)->setFocus();
        return;
    }
    // A socket folder is a path: it goes as a parameter, not in the authority.
    const bool socket = host.startsWith(QLatin1Char('/'));
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty()) text += Escaped(user) + QLatin1Char('@');
    if (!socket) text += Escaped(host);
    if (!port.isEmpty()) text += QLatin1Char(':') + port;
    text += QLatin1Char('/') + Escaped(database) + QStringLiteral("?register=") + Escaped(name);
    if (socket) text += QStringLiteral("&host=") + Escaped(host);
    m_strLocation = text;
    QDialog::accept();
}

CPasswordDlg::CPasswordDlg(const QString& title, QWidget* parent) : QDialog(parent) {
    SetUpDialog(this, "CPasswordDlg", "パスワード");
    password_ = Field(this, "edit_password");
    password_->setEchoMode(QLineEdit::Password);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(BuddyLabel(this, QStringLiteral("%1 のパスワード(&P):").arg(title).toUtf8().constData(), password_));
    outer->addWidget(password_);
    outer->addLayout(ButtonRow({OkButton(this), CancelButton(this)}));
    password_->setFocus();
    adjustSize();
    CenterOverParent(this);
}

QString CPasswordDlg::Password() const { return password_->text(); }
